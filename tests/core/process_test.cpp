#include "support/process.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <sys/wait.h>

namespace garbello {
namespace {

// Neither running nor a zombie waiting to be reaped.
bool isGone(pid_t pid) {
    return ::waitpid(pid, nullptr, WNOHANG) < 0 && errno == ECHILD && !processExists(pid);
}

ChildProcess sleeper() {
    return ChildProcess::start("/bin/sleep", {"30"});
}

TEST(ChildProcessTest, TheOwnerEndsAndReapsAProgramStillRunningUnlessReleased) {
    pid_t pid = 0;
    {
        ChildProcess child = sleeper();
        pid = child.pid();
        EXPECT_TRUE(child.isRunning());
    }
    EXPECT_TRUE(isGone(pid));

    // Handed on, the program belongs to the new owner alone.
    ChildProcess first = sleeper();
    pid = first.pid();
    {
        ChildProcess second = std::move(first);
        EXPECT_TRUE(second.isRunning());
        ChildProcess moved = std::move(second);
        EXPECT_TRUE(processExists(pid));
        // Taking another program ends the one owned before.
        moved = sleeper();
        EXPECT_TRUE(isGone(pid));
        pid = moved.pid();
    }
    EXPECT_TRUE(isGone(pid));

    // A released program runs on.
    ChildProcess child = sleeper();
    pid = child.release();
    { ChildProcess gone = std::move(child); }
    EXPECT_TRUE(processExists(pid));
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
}

TEST(ChildProcessTest, ReportsTheExitStatus) {
    EXPECT_EQ(ChildProcess::start("/bin/sh", {"-c", "exit 3"}).wait(), 3);
    ChildProcess killed = sleeper();
    killed.terminate();
    EXPECT_EQ(killed.wait(), -1);
    EXPECT_FALSE(killed.isRunning());
}

} // namespace
} // namespace garbello
