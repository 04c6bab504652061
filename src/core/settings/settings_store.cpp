#include "settings/settings_store.h"

#include "support/atomic_file.h"
#include "support/user_directories.h"

#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <map>
#include <optional>
#include <unistd.h>

namespace garbello {
namespace {

constexpr const char* kFileName = "settings.json";
constexpr int kIndentation = 2;
// Copies of damaged files kept beside the settings file. Only the newest are
// kept, so that something that keeps breaking the file can neither fill the
// directory nor stop the user's choices from being saved.
constexpr std::size_t kKeptUnreadableCopies = 10;

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

// What the encoder below accepts as a string.
bool isEncodable(const std::string& text) {
    try {
        (void)Json(text).dump(-1, ' ', false, Json::error_handler_t::strict);
        return true;
    } catch (const Json::exception&) {
        return false;
    }
}

// Application ids and outfit names are map keys that the platform layer hands
// over as UTF-8; one that is not must not stop every other choice from being
// saved. Removes such keys and returns how many went.
std::size_t dropUnencodableKeys(GarbelloSettings& settings) {
    auto badKey = [](const auto& entry) { return !isEncodable(entry.first); };
    auto dropFrom = [&](GarbelloSettings::VariantChoices& choices) {
        return std::erase_if(choices, badKey);
    };
    std::size_t dropped = std::erase_if(settings.disabledApps,
                                        [](const std::string& id) { return !isEncodable(id); });
    dropped += std::erase_if(settings.appVariants, badKey);
    for (auto& [id, choices] : settings.appVariants)
        dropped += dropFrom(choices);
    std::erase_if(settings.appVariants, [](const auto& entry) { return entry.second.empty(); });
    dropped += dropFrom(settings.preferredVariants);
    return dropped;
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

std::string keptCopyPrefix(const std::filesystem::path& path) {
    return path.filename().string() + ".unreadable";
}

std::filesystem::path keptCopyPath(const std::filesystem::path& path, std::uint64_t number) {
    std::string name = keptCopyPrefix(path);
    if (number > 1)
        name += "-" + std::to_string(number);
    return path.parent_path() / name;
}

// 1 for "<prefix>", N for "<prefix>-N" as keptCopyPath writes it; nothing for
// any other name.
std::optional<std::uint64_t> keptCopyNumber(std::string_view name, std::string_view prefix) {
    if (!name.starts_with(prefix))
        return std::nullopt;
    name.remove_prefix(prefix.size());
    if (name.empty())
        return 1;
    if (!name.starts_with('-') || name.starts_with("-0"))
        return std::nullopt;
    name.remove_prefix(1);
    // 32 bits, so that the next number always fits.
    std::uint32_t number = 0;
    auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), number);
    if (error != std::errc() || end != name.data() + name.size() || number < 2)
        return std::nullopt;
    return number;
}

// The kept copies beside `path`, oldest (lowest number) first.
std::map<std::uint64_t, std::filesystem::path> keptCopies(const std::filesystem::path& path) {
    std::map<std::uint64_t, std::filesystem::path> copies;
    std::string prefix = keptCopyPrefix(path);
    std::error_code error;
    for (std::filesystem::directory_iterator entry(path.parent_path(), error), end;
         !error && entry != end; entry.increment(error)) {
        auto number = keptCopyNumber(entry->path().filename().string(), prefix);
        std::error_code typeError;
        if (number && entry->is_regular_file(typeError))
            copies.emplace(*number, entry->path());
    }
    return copies;
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

void SettingsStore::save(const GarbelloSettings& original) const {
    GarbelloSettings settings = original;
    if (std::size_t dropped = dropUnencodableKeys(settings))
        logger_.error("Left " + std::to_string(dropped) +
                      " settings keys that are not valid UTF-8 out of the saved settings");
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
// read, and never replaces an earlier kept copy. Each copy takes the number
// after the newest, so the numbers tell the order of the damage.
void SettingsStore::keepUnreadableFile() const {
    auto copies = keptCopies(path_);
    for (std::uint64_t number = copies.empty() ? 1 : copies.rbegin()->first + 1;; ++number) {
        std::filesystem::path copy = keptCopyPath(path_, number);
        if (::link(path_.c_str(), copy.c_str()) == 0) {
            logger_.info("Kept the unreadable garbello settings as " + copy.string());
            copies.emplace(number, std::move(copy));
            break;
        }
        if (errno != EEXIST)
            throw FileError("Could not keep a copy of the unreadable settings file " +
                            path_.string() + ": " + std::strerror(errno));
    }
    for (; copies.size() > kKeptUnreadableCopies; copies.erase(copies.begin())) {
        std::error_code error;
        if (!std::filesystem::remove(copies.begin()->second, error) && error)
            logger_.error("Could not remove the old copy of unreadable settings " +
                          copies.begin()->second.string() + ": " + error.message());
    }
}

} // namespace garbello
