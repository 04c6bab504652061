#include "settings/settings_store.h"

#include "support/atomic_file.h"
#include "support/user_directories.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace garbello {
namespace {

constexpr const char* kFileName = "settings.json";
constexpr int kIndentation = 2;
// More damaged copies than this would mean something keeps breaking the file;
// the save then fails rather than destroy another one.
constexpr int kMaximumKeptCopies = 100;

bool fileIsMissing(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::status(path, error).type() == std::filesystem::file_type::not_found;
}

GarbelloSettings readSettings(const std::filesystem::path& path) {
    return GarbelloSettings::fromJson(json::parse(readFile(path)));
}

std::string summary(const GarbelloSettings& settings) {
    return std::string("onboarding=") + (settings.onboardingCompleted ? "true" : "false") +
           ", unit=" + std::string(settings.temperatureUnit.rawValue()) +
           ", preferred styles=" + std::to_string(settings.preferredVariants.size());
}

std::string encode(const GarbelloSettings& settings) {
    try {
        // nlohmann keeps object keys sorted.
        return settings.toJson().dump(kIndentation, ' ', false, Json::error_handler_t::strict) +
               "\n";
    } catch (const Json::exception& error) {
        throw Error(std::string("The settings could not be encoded: ") + error.what());
    }
}

std::filesystem::path keptCopyPath(const std::filesystem::path& path, int number) {
    std::string name = path.filename().string() + ".unreadable";
    if (number > 1)
        name += "-" + std::to_string(number);
    return path.parent_path() / name;
}

} // namespace

SettingsStore::SettingsStore(std::filesystem::path path) : path_(std::move(path)) {}

std::filesystem::path SettingsStore::defaultPath() {
    return garbelloDataDirectory() / kFileName;
}

GarbelloSettings SettingsStore::load() const {
    if (fileIsMissing(path_))
        return {};
    try {
        GarbelloSettings settings = readSettings(path_);
        logger_.debug("Loaded garbello settings: " + summary(settings));
        return settings;
    } catch (const std::exception& error) {
        logger_.error(std::string("Unable to read garbello settings; using defaults: ") +
                      error.what());
        return {};
    }
}

void SettingsStore::save(const GarbelloSettings& settings) const {
    std::string bytes = encode(settings);
    if (!fileIsMissing(path_)) {
        try {
            readSettings(path_);
        } catch (const std::exception&) {
            keepUnreadableFile();
        }
    }
    writeFileAtomically(path_, bytes);
    logger_.debug("Saved garbello settings: " + summary(settings));
}

// A second name for the same file: works even when the file itself cannot be
// read, and never replaces an earlier kept copy.
void SettingsStore::keepUnreadableFile() const {
    for (int number = 1; number <= kMaximumKeptCopies; ++number) {
        std::filesystem::path copy = keptCopyPath(path_, number);
        if (::link(path_.c_str(), copy.c_str()) == 0) {
            logger_.info("Kept the unreadable garbello settings as " + copy.string());
            return;
        }
        if (errno != EEXIST)
            throw FileError("Could not keep a copy of the unreadable settings file " +
                            path_.string() + ": " + std::strerror(errno));
    }
    throw FileError("Could not keep a copy of the unreadable settings file " + path_.string() +
                    ": too many earlier copies");
}

} // namespace garbello
