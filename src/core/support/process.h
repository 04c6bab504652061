#pragma once

#include <filesystem>
#include <string>
#include <sys/types.h>
#include <vector>

namespace garbello {

// A program started by this one, and its sole owner: when the owner goes, a
// program still running is ended with SIGTERM and waited for, so no child
// outlives its owner unless it was let go with release(). Standard input,
// output and error go to the null device: the programs it starts report
// through files, not streams.
class ChildProcess {
public:
    // Starts `executable` with `arguments` (without the program name).
    // Throws FileError with the system's description when it cannot start.
    static ChildProcess start(const std::filesystem::path& executable,
                              const std::vector<std::string>& arguments);

    ChildProcess(ChildProcess&& other) noexcept;
    ChildProcess& operator=(ChildProcess&& other) noexcept;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess();

    pid_t pid() const { return pid_; }
    // False once the program has ended (it is then reaped).
    bool isRunning();
    // Waits for the end; the exit status, or -1 when a signal ended it.
    int wait();
    // Ends the program with SIGTERM and waits for it.
    void terminate();
    // Lets the program run on: it is neither ended nor waited for by this
    // owner, which then owns nothing. Returns its process identifier.
    pid_t release();

private:
    explicit ChildProcess(pid_t pid) : pid_(pid) {}

    pid_t pid_ = -1;
    bool ended_ = false;
    int status_ = -1;
};

// Starts a program that outlives this one: it gets its own session and is
// never waited for. Returns its process identifier; throws FileError when it
// cannot start.
pid_t startDetached(const std::filesystem::path& executable,
                    const std::vector<std::string>& arguments);

// Whether a process with this identifier exists (signal 0 probe).
bool processExists(pid_t pid);

} // namespace garbello
