#include "run_process.h"

#include "support/atomic_file.h"
#include "temporary_directory.h"

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace garbello::test {

std::string garbelloPath() {
    return GARBELLO_EXECUTABLE;
}

namespace {

// The program name and `arguments`, or the environment's entries, as the
// null-terminated array posix_spawn takes; `strings` keeps what they point to.
std::vector<char*> pointersTo(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (auto& text : strings)
        pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

pid_t spawnWith(posix_spawn_file_actions_t& actions, const std::string& program,
                std::vector<std::string> arguments, std::vector<std::string> environment) {
    arguments.insert(arguments.begin(), program);
    pid_t pid = -1;
    const int error = ::posix_spawnp(&pid, program.c_str(), &actions, nullptr,
                                     pointersTo(arguments).data(), pointersTo(environment).data());
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0)
        throw std::runtime_error("Could not start " + program + ": " + std::strerror(error));
    return pid;
}

std::vector<std::string> environmentWith(const std::map<std::string, std::string>& overrides) {
    std::vector<std::string> entries;
    for (char** entry = environ; *entry; ++entry) {
        const std::string text = *entry;
        const std::string key = text.substr(0, text.find('='));
        if (key != "DISPLAY" && overrides.count(key) == 0)
            entries.push_back(text);
    }
    for (const auto& [key, value] : overrides)
        entries.push_back(key + "=" + value);
    return entries;
}

} // namespace

pid_t spawnProgram(const std::string& program, const std::vector<std::string>& arguments,
                   const std::map<std::string, std::string>& environment,
                   const std::vector<std::pair<int, int>>& descriptors, const std::string& log) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const std::string output = log.empty() ? "/dev/null" : log;
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                     0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    for (const auto& [ours, theirs] : descriptors)
        posix_spawn_file_actions_adddup2(&actions, ours, theirs);
    return spawnWith(actions, program, arguments, environmentWith(environment));
}

void endProgram(pid_t& pid, int signal) {
    if (pid <= 0)
        return;
    ::kill(pid, signal);
    ::waitpid(pid, nullptr, 0);
    pid = -1;
}

bool readLine(int descriptor, std::string& text, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (text.find('\n') == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        pollfd wait{descriptor, POLLIN, 0};
        if (::poll(&wait, 1, static_cast<int>(left.count())) <= 0)
            continue;
        char buffer[4096];
        const ssize_t got = ::read(descriptor, buffer, sizeof buffer);
        if (got <= 0)
            return false;
        text.append(buffer, static_cast<std::size_t>(got));
    }
    return true;
}

PipedProcess::PipedProcess(const std::string& program, const std::vector<std::string>& arguments,
                           const std::map<std::string, std::string>& environment,
                           const std::string& log) {
    int toChild[2], fromChild[2];
    if (::pipe2(toChild, O_CLOEXEC) != 0 || ::pipe2(fromChild, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    // Standard error goes to the log; standard output is the pipe.
    pid_ = spawnProgram(program, arguments, environment, {{toChild[0], 0}, {fromChild[1], 1}}, log);
    ::close(toChild[0]);
    ::close(fromChild[1]);
    input_ = toChild[1];
    output_ = fromChild[0];
}

PipedProcess::~PipedProcess() {
    if (input_ >= 0)
        ::close(input_);
    ::close(output_);
    endProgram(pid_, SIGTERM);
}

void PipedProcess::write(const std::string& line) {
    const std::string text = line + "\n";
    if (::write(input_, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
        throw std::runtime_error("The program does not read its input");
}

std::string PipedProcess::readLine(std::chrono::milliseconds timeout) {
    if (!test::readLine(output_, buffered_, timeout))
        throw std::runtime_error("No line from the program in time");
    const std::size_t newline = buffered_.find('\n');
    std::string line = buffered_.substr(0, newline);
    buffered_.erase(0, newline + 1);
    return line;
}

int PipedProcess::finish() {
    ::close(input_);
    input_ = -1;
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The streams go through files rather than pipes, so neither side can block
// on a full pipe whatever the program reads and writes, and in what order.
ProcessResult runProcess(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& input) {
    TemporaryDirectory streams;
    writeFileAtomically(streams / "in", input);
    const std::string in = (streams / "in").string(), out = (streams / "out").string(),
                      err = (streams / "err").string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, in.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT, 0600);
    // This process's environment as it is, DISPLAY included.
    std::vector<std::string> inherited;
    for (char** entry = environ; *entry; ++entry)
        inherited.push_back(*entry);
    const pid_t pid = spawnWith(actions, program, arguments, inherited);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return {readFile(out), readFile(err), WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

std::string escapedSlashes(const std::string& text) {
    std::string escaped;
    for (char c : text)
        escaped += c == '/' ? std::string("\\/") : std::string(1, c);
    return escaped;
}

} // namespace garbello::test
