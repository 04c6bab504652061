#pragma once

#include <chrono>
#include <map>
#include <string>
#include <sys/types.h>
#include <vector>

namespace garbello::test {

struct ProcessResult {
    std::string out;
    std::string err;
    int status = -1;
};

// Runs `program` with `arguments`, feeding `input` on standard input, and
// collects both output streams and the exit status (-1 when killed by a signal).
ProcessResult runProcess(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& input = "");

// Starts `program` (found on PATH) with `environment` put into this process's
// (and any DISPLAY of the developer's left out), standard input from the null
// device, standard output and error appended to `log` (the null device when
// empty), then each {ours, theirs} descriptor duplicated onto `theirs`.
// Throws std::runtime_error when it cannot start.
pid_t spawnProgram(const std::string& program, const std::vector<std::string>& arguments,
                   const std::map<std::string, std::string>& environment = {},
                   const std::vector<std::pair<int, int>>& descriptors = {},
                   const std::string& log = "");

// Sends `signal` to a started program, if any, waits for it and forgets it.
void endProgram(pid_t& pid, int signal);

// Appends what `descriptor` offers to `text` until it holds a newline; false
// on end of file or when `timeout` passes first.
bool readLine(int descriptor, std::string& text, std::chrono::milliseconds timeout);

// A program whose standard input and output are pipes to this process, which
// talks to it a line at a time; ended with SIGTERM when the object goes.
class PipedProcess {
public:
    PipedProcess(const std::string& program, const std::vector<std::string>& arguments,
                 const std::map<std::string, std::string>& environment = {},
                 const std::string& log = "");
    ~PipedProcess();
    PipedProcess(const PipedProcess&) = delete;
    PipedProcess& operator=(const PipedProcess&) = delete;

    // Writes `line` and a newline; throws when the program does not read.
    void write(const std::string& line);
    // The next output line without its newline; throws when none comes in time.
    std::string readLine(std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // Ends the program's input and waits for it: its exit status, -1 after a signal.
    int finish();

    pid_t pid() const { return pid_; }

private:
    pid_t pid_ = -1;
    int input_ = -1;
    int output_ = -1;
    std::string buffered_;
};

// `text` with every "/" escaped as "\/", as the JSON line writer prints it.
std::string escapedSlashes(const std::string& text);

// The built garbello executable.
std::string garbelloPath();

} // namespace garbello::test
