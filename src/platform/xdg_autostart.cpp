#include "platform/xdg_autostart.h"

#include "platform/desktop_entries.h"
#include "support/atomic_file.h"
#include "support/error.h"
#include "support/user_directories.h"

#include <cstdlib>
#include <system_error>

namespace garbello::platform {
namespace {

// An argument of an Exec line: quoted, with the quoting's own escapes, then
// the escapes every desktop-entry string has; "%" would start a field code.
std::string execArgument(const std::string& argument) {
    std::string quoted = "\"";
    for (char c : argument) {
        if (c == '\n' || c == '\r' || c == '\0')
            throw Error("The application's path cannot be started at login: " + argument);
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    quoted += '"';
    std::string escaped;
    for (char c : quoted)
        escaped += c == '\\' ? "\\\\" : c == '%' ? "%%" : std::string(1, c);
    return escaped;
}

std::filesystem::path runningExecutable() {
    std::error_code error;
    auto path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path() : path;
}

} // namespace

XdgAutostart::XdgAutostart(std::filesystem::path folder, std::filesystem::path executable)
    : entry_(std::move(folder) / kEntryName), executable_(std::move(executable)) {}

XdgAutostart::XdgAutostart()
    : XdgAutostart(userConfigurationDirectory() / "autostart", runningExecutable()) {}

bool XdgAutostart::enabled() const {
    std::error_code error;
    if (!std::filesystem::is_regular_file(entry_, error))
        return false;
    auto keys = desktopEntryKeys(entry_);
    return keys["Hidden"] != "true" && keys["X-GNOME-Autostart-enabled"] != "false";
}

void XdgAutostart::setEnabled(bool enabled) {
    if (enabled) {
        writeFileAtomically(entry_, entryText(executable_));
        return;
    }
    std::error_code error;
    std::filesystem::remove(entry_, error);
    if (error)
        throw FileError(error.message());
}

std::string XdgAutostart::entryText(const std::filesystem::path& executable) {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Garbello\n"
           "Comment=Dresses your windows for the weather\n"
           "Exec=env " +
           std::string(kLoginLaunchVariable) + "=1 " + execArgument(executable.string()) +
           "\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

bool XdgAutostart::takeLoginLaunchMark() {
    const char* mark = std::getenv(kLoginLaunchVariable);
    const bool launchedAtLogin = mark && std::string_view(mark) == "1";
    ::unsetenv(kLoginLaunchVariable);
    return launchedAtLogin;
}

} // namespace garbello::platform
