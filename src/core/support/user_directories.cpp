#include "support/user_directories.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace garbello {
namespace {

// A variable counts only when it holds an absolute path; XDG says relative
// values are to be ignored.
std::filesystem::path absolutePathFromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || value[0] != '/')
        return {};
    return value;
}

std::filesystem::path homeDirectory() {
    if (auto home = absolutePathFromEnvironment("HOME"); !home.empty())
        return home;
    long suggested = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(suggested > 0 ? static_cast<std::size_t>(suggested) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_dir && found->pw_dir[0] == '/')
        return found->pw_dir;
    // No home at all (a bare service account): the root keeps paths absolute.
    return "/";
}

} // namespace

std::filesystem::path userConfigurationDirectory() {
    if (auto configured = absolutePathFromEnvironment("XDG_CONFIG_HOME"); !configured.empty())
        return configured;
    return homeDirectory() / ".config";
}

std::filesystem::path userDataDirectory() {
    if (auto configured = absolutePathFromEnvironment("XDG_DATA_HOME"); !configured.empty())
        return configured;
    return homeDirectory() / ".local" / "share";
}

std::filesystem::path garbelloDataDirectory() {
    return userConfigurationDirectory() / "Garbello";
}

} // namespace garbello
