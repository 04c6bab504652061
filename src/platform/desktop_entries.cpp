#include "platform/desktop_entries.h"

#include "support/user_directories.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <string_view>

namespace garbello::platform {
namespace {

std::string lowercase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

} // namespace

std::map<std::string, std::string> desktopEntryKeys(const std::filesystem::path& file) {
    std::map<std::string, std::string> keys;
    std::ifstream in(file);
    bool mainGroup = false;
    for (std::string line; std::getline(in, line);) {
        const std::string_view text = trimmed(line);
        if (text.starts_with('[')) {
            mainGroup = text == "[Desktop Entry]";
            continue;
        }
        const auto equals = text.find('=');
        if (mainGroup && equals != std::string_view::npos && !text.starts_with('#'))
            keys.emplace(trimmed(text.substr(0, equals)), trimmed(text.substr(equals + 1)));
    }
    return keys;
}

std::vector<std::filesystem::path> desktopEntryDirectories() {
    std::vector<std::filesystem::path> directories = {userDataDirectory() / "applications"};
    const char* configured = std::getenv("XDG_DATA_DIRS");
    std::string_view list = configured && *configured ? configured : "/usr/local/share:/usr/share";
    while (!list.empty()) {
        const auto colon = std::min(list.find(':'), list.size());
        // XDG says relative entries are to be ignored.
        if (list.substr(0, colon).starts_with('/'))
            directories.push_back(std::filesystem::path(list.substr(0, colon)) / "applications");
        list.remove_prefix(std::min(colon + 1, list.size()));
    }
    return directories;
}

DesktopEntries::DesktopEntries(const std::vector<std::filesystem::path>& directories) {
    for (const auto& directory : directories) {
        std::error_code error;
        std::filesystem::recursive_directory_iterator entry(directory, error), end;
        for (; !error && entry != end; entry.increment(error)) {
            const auto& path = entry->path();
            if (path.extension() != ".desktop" || !entry->is_regular_file(error))
                continue;
            std::string id = path.lexically_relative(directory).replace_extension().string();
            std::replace(id.begin(), id.end(), '/', '-');
            add(id, path);
        }
    }
}

void DesktopEntries::add(const std::string& id, const std::filesystem::path& file) {
    if (!byLowercaseID_.emplace(lowercase(id), id).second)
        return;
    auto keys = desktopEntryKeys(file);
    if (const std::string& windowClass = keys["StartupWMClass"]; !windowClass.empty())
        byWindowClass_.emplace(windowClass, id);
    entries_.emplace(id, Entry{std::move(keys["Name"]), std::move(keys["Icon"])});
}

const DesktopEntries::Entry* DesktopEntries::entry(const std::string& id) const {
    const auto found = entries_.find(id);
    return found == entries_.end() ? nullptr : &found->second;
}

std::string DesktopEntries::idFor(const std::string& windowClass,
                                  const std::string& instance) const {
    if (auto found = byWindowClass_.find(windowClass); found != byWindowClass_.end())
        return found->second;
    for (const std::string& name : {windowClass, instance})
        if (auto found = byLowercaseID_.find(lowercase(name)); found != byLowercaseID_.end())
            return found->second;
    return {};
}

} // namespace garbello::platform
