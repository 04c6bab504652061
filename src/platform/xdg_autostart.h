#pragma once

#include "platform/login_item.h"

#include <filesystem>
#include <string>

namespace garbello::platform {

// Launch at login as the freedesktop autostart convention has it: a desktop
// entry "garbello.desktop" in the user's autostart folder, which starts this
// executable with kLoginLaunchVariable set, so that the application can tell
// a login launch from one by hand without a command-line option of its own.
// On when the entry is there and neither hidden nor disabled by the desktop.
class XdgAutostart final : public LoginItem {
public:
    static constexpr const char* kLoginLaunchVariable = "GARBELLO_LAUNCHED_AT_LOGIN";
    static constexpr const char* kEntryName = "garbello.desktop";

    // `folder`: where autostart entries live ($XDG_CONFIG_HOME/autostart);
    // `executable`: what the entry starts.
    XdgAutostart(std::filesystem::path folder, std::filesystem::path executable);
    // The user's autostart folder and the running executable.
    XdgAutostart();

    bool enabled() const override;
    void setEnabled(bool enabled) override;

    const std::filesystem::path& entryPath() const { return entry_; }

    // Whether this process was started by the entry; the mark is removed
    // from the environment so that processes it starts do not inherit it.
    static bool takeLoginLaunchMark();

    // The entry's text. Throws Error when the path cannot stand in an Exec line.
    static std::string entryText(const std::filesystem::path& executable);

private:
    std::filesystem::path entry_;
    std::filesystem::path executable_;
};

} // namespace garbello::platform
