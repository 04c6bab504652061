#include "run_process.h"

#include "support/atomic_file.h"
#include "temporary_directory.h"

#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>

extern char** environ;

namespace garbello::test {

std::string garbelloPath() {
    return GARBELLO_EXECUTABLE;
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
    std::vector<char*> argv = {const_cast<char*>(program.c_str())};
    for (const auto& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    int error = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0)
        throw std::runtime_error("Could not start " + program + ": " + std::strerror(error));
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
