#pragma once

#include <filesystem>

namespace garbello::platform {

// The user's folders and file browser, as far as a download needs them.
// Used on the main thread.
class FileManager {
public:
    virtual ~FileManager() = default;

    // Where the user's downloads go (XDG_DOWNLOAD_DIR, else ~/Downloads).
    virtual std::filesystem::path downloadsFolder() const = 0;

    // Shows `file` selected in the file browser, or at least opens the
    // folder that holds it. Returns at once; failures are only logged.
    virtual void reveal(const std::filesystem::path& file) = 0;
};

// The freedesktop file browser: org.freedesktop.FileManager1.ShowItems on the
// session bus, else the folder opened with xdg-open.
class FreedesktopFileManager final : public FileManager {
public:
    std::filesystem::path downloadsFolder() const override;
    void reveal(const std::filesystem::path& file) override;
};

} // namespace garbello::platform
