#include "run_process.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace garbello::test {

std::string garbelloPath() {
    return GARBELLO_EXECUTABLE;
}

ProcessResult runProcess(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& input) {
    int inPipe[2], outPipe[2], errPipe[2];
    if (::pipe2(inPipe, O_CLOEXEC) || ::pipe2(outPipe, O_CLOEXEC) || ::pipe2(errPipe, O_CLOEXEC))
        throw std::runtime_error("pipe failed");
    pid_t pid = ::fork();
    if (pid < 0)
        throw std::runtime_error("fork failed");
    if (pid == 0) {
        ::dup2(inPipe[0], 0);
        ::dup2(outPipe[1], 1);
        ::dup2(errPipe[1], 2);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const auto& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(inPipe[0]);
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    ::signal(SIGPIPE, SIG_IGN);

    ProcessResult result;
    std::size_t written = 0;
    int inFd = inPipe[1];
    if (input.empty()) {
        ::close(inFd);
        inFd = -1;
    } else {
        ::fcntl(inFd, F_SETFL, O_NONBLOCK);
    }
    int outFd = outPipe[0], errFd = errPipe[0];
    char buffer[65536];
    while (outFd >= 0 || errFd >= 0) {
        pollfd fds[3];
        int count = 0;
        if (outFd >= 0)
            fds[count++] = {outFd, POLLIN, 0};
        if (errFd >= 0)
            fds[count++] = {errFd, POLLIN, 0};
        if (inFd >= 0)
            fds[count++] = {inFd, POLLOUT, 0};
        if (::poll(fds, count, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        for (int i = 0; i < count; ++i) {
            if (!fds[i].revents)
                continue;
            int fd = fds[i].fd;
            if (fd == inFd) {
                ssize_t n = ::write(inFd, input.data() + written, input.size() - written);
                if (n > 0)
                    written += static_cast<std::size_t>(n);
                if (n < 0 && errno != EAGAIN) {
                    ::close(inFd);
                    inFd = -1;
                } else if (written == input.size()) {
                    ::close(inFd);
                    inFd = -1;
                }
                continue;
            }
            ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n > 0) {
                (fd == outFd ? result.out : result.err).append(buffer, static_cast<std::size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                ::close(fd);
                (fd == outFd ? outFd : errFd) = -1;
            }
        }
    }
    if (inFd >= 0)
        ::close(inFd);
    int status = 0;
    ::waitpid(pid, &status, 0);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::string escapedSlashes(const std::string& text) {
    std::string escaped;
    for (char c : text)
        escaped += c == '/' ? std::string("\\/") : std::string(1, c);
    return escaped;
}

} // namespace garbello::test
