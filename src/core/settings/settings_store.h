#pragma once

#include "settings/garbello_settings.h"
#include "support/log.h"

#include <filesystem>

namespace garbello {

// Keeps the settings record in one JSON file. Holds no copy of the settings:
// every load reads the file again and every save replaces it whole. Used from
// one thread; it has no locking of its own.
class SettingsStore {
public:
    // Touches no file.
    explicit SettingsStore(std::filesystem::path path);

    // settings.json in the program's directory under the user's
    // configuration directory.
    static std::filesystem::path defaultPath();

    const std::filesystem::path& path() const { return path_; }

    // Never fails. A missing file gives the defaults silently; a file that
    // cannot be read or decoded gives the defaults with an error log line and
    // is left in place.
    GarbelloSettings load() const;

    // Writes the record pretty-printed with sorted keys, atomically, creating
    // missing parent directories. When the file about to be replaced cannot be
    // read as settings, it is first kept beside it as "<name>.unreadable"
    // (then "-2", "-3", …) so that the user's hand-edited or damaged file is
    // not destroyed; only the ten newest such copies are kept. Throws Error
    // (FileError for the file system) on failure; the previous file is then
    // untouched. Map and set keys that are not valid UTF-8 (application ids,
    // outfit names) are left out of the file, with one error log line.
    void save(const GarbelloSettings& settings) const;

private:
    void keepUnreadableFile() const;

    std::filesystem::path path_;
    Logger logger_ = log::settings;
};

} // namespace garbello
