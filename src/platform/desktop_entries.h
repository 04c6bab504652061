#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace garbello::platform {

// Where desktop entries live, most important first: the user's data
// directory, then each of $XDG_DATA_DIRS (else /usr/local/share and
// /usr/share), each with "applications" appended.
std::vector<std::filesystem::path> desktopEntryDirectories();

// The keys of a desktop entry file's main group ("[Desktop Entry]") with
// their values, unescaped only of surrounding blanks; empty when the file
// cannot be read. Localised keys ("Name[de]") stay apart from plain ones.
std::map<std::string, std::string> desktopEntryKeys(const std::filesystem::path& file);

// The desktop entries of installed applications, indexed by the window class
// their windows carry. The id of an entry is its path below the directory,
// with "/" as "-" and without ".desktop"; an id in an earlier directory hides
// the same id in a later one.
class DesktopEntries {
public:
    explicit DesktopEntries(const std::vector<std::filesystem::path>& directories);

    // The entry whose StartupWMClass is `windowClass`, else the one whose id
    // is the class or the instance (either case); empty when none fits.
    std::string idFor(const std::string& windowClass, const std::string& instance) const;

    // What the Apps pane and the tint need of an entry.
    struct Entry {
        std::string name;
        // An icon name for the icon theme, or an absolute path.
        std::string icon;
    };
    // The entry with id `id`; null when there is none.
    const Entry* entry(const std::string& id) const;

private:
    void add(const std::string& id, const std::filesystem::path& file);

    std::map<std::string, Entry> entries_;
    std::map<std::string, std::string> byWindowClass_;
    std::map<std::string, std::string> byLowercaseID_;
};

} // namespace garbello::platform
