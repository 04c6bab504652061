#include "support/process.h"

#include "support/error.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <utility>

extern char** environ;

namespace garbello {
namespace {

class SpawnSettings {
public:
    explicit SpawnSettings(bool ownSession) {
        posix_spawn_file_actions_init(&actions_);
        for (int fd : {0, 1, 2})
            posix_spawn_file_actions_addopen(&actions_, fd, "/dev/null",
                                             fd == 0 ? O_RDONLY : O_WRONLY, 0);
        posix_spawnattr_init(&attributes_);
        // Signals this process ignores or blocks must not leak into the child.
        sigset_t none, all;
        sigemptyset(&none);
        sigfillset(&all);
        posix_spawnattr_setsigmask(&attributes_, &none);
        posix_spawnattr_setsigdefault(&attributes_, &all);
        short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
        if (ownSession)
            flags |= POSIX_SPAWN_SETSID;
        posix_spawnattr_setflags(&attributes_, flags);
    }
    ~SpawnSettings() {
        posix_spawn_file_actions_destroy(&actions_);
        posix_spawnattr_destroy(&attributes_);
    }
    SpawnSettings(const SpawnSettings&) = delete;
    SpawnSettings& operator=(const SpawnSettings&) = delete;

    pid_t spawn(const std::filesystem::path& executable,
                const std::vector<std::string>& arguments) {
        std::vector<char*> argv;
        std::string program = executable.string();
        argv.push_back(program.data());
        std::vector<std::string> copies = arguments;
        for (auto& argument : copies)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        pid_t pid = -1;
        int error =
            ::posix_spawn(&pid, program.c_str(), &actions_, &attributes_, argv.data(), environ);
        if (error != 0)
            throw FileError("Could not start " + program + ": " + std::strerror(error));
        return pid;
    }

private:
    posix_spawn_file_actions_t actions_;
    posix_spawnattr_t attributes_;
};

int exitStatus(int status) {
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

ChildProcess ChildProcess::start(const std::filesystem::path& executable,
                                 const std::vector<std::string>& arguments) {
    return ChildProcess(SpawnSettings(false).spawn(executable, arguments));
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : pid_(std::exchange(other.pid_, -1)), ended_(other.ended_), status_(other.status_) {}

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
    if (this != &other) {
        terminate();
        pid_ = std::exchange(other.pid_, -1);
        ended_ = other.ended_;
        status_ = other.status_;
    }
    return *this;
}

ChildProcess::~ChildProcess() {
    terminate();
}

bool ChildProcess::isRunning() {
    if (ended_ || pid_ < 0)
        return false;
    int status = 0;
    pid_t result = ::waitpid(pid_, &status, WNOHANG);
    if (result == 0)
        return true;
    ended_ = true;
    status_ = result == pid_ ? exitStatus(status) : -1;
    return false;
}

int ChildProcess::wait() {
    while (!ended_ && pid_ >= 0) {
        int status = 0;
        pid_t result = ::waitpid(pid_, &status, 0);
        if (result < 0 && errno == EINTR)
            continue;
        ended_ = true;
        status_ = result == pid_ ? exitStatus(status) : -1;
    }
    return status_;
}

void ChildProcess::terminate() {
    if (isRunning())
        ::kill(pid_, SIGTERM);
    wait();
}

pid_t ChildProcess::release() {
    return std::exchange(pid_, -1);
}

pid_t startDetached(const std::filesystem::path& executable,
                    const std::vector<std::string>& arguments) {
    return SpawnSettings(true).spawn(executable, arguments);
}

bool processExists(pid_t pid) {
    return ::kill(pid, 0) == 0 || errno != ESRCH;
}

} // namespace garbello
