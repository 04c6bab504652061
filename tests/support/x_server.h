#pragma once

#include "run_process.h"
#include "temporary_directory.h"

#include <cstdint>
#include <map>
#include <string>
#include <sys/types.h>
#include <vector>

namespace garbello::test {

// A private X server (Xvfb, 1280 × 800) on a display number nobody else
// uses, optionally with openbox managing it; both end with the object. The
// developer's display is never touched, and openbox runs with a private home
// so no one's own configuration is read. Throws std::runtime_error with the
// reason when either cannot be started.
class XServer {
public:
    enum class Manager { none, openbox };
    // What a server may lack that most have.
    enum class Extensions { all, withoutSharedMemory };

    explicit XServer(Manager manager = Manager::openbox, Extensions extensions = Extensions::all);
    ~XServer();
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    // ":N", for DISPLAY or a connection.
    const std::string& display() const { return display_; }
    // Ends the server at once, as a crash would.
    void kill();
    // Starts xcompmgr and returns once it owns the screen's compositing
    // manager selection; throws when it is missing or does not start.
    void startCompositor();
    // Ends it and returns once the selection has no owner.
    void stopCompositor();
    // Starts `program` on this display with `environment` added, its output
    // in `logFile`; the caller ends it and waits for it.
    pid_t startClient(const std::string& program, const std::vector<std::string>& arguments,
                      const std::map<std::string, std::string>& environment,
                      const std::string& logFile) const;

private:
    void startServer(Extensions extensions);
    void startManager();

    TemporaryDirectory home_;
    std::string display_;
    pid_t server_ = -1;
    pid_t manager_ = -1;
    pid_t compositor_ = -1;
};

// A garbello_x11_fixture process on a server's display: another application
// whose windows a test opens and changes one command at a time.
class X11Fixture {
public:
    explicit X11Fixture(const XServer& server);

    // Sends one command line and returns the fixture's answer line; throws
    // when none comes within a few seconds.
    std::string send(const std::string& command);
    // Sends `open NAME OPTIONS...` and returns the new window's id; throws
    // unless the window was mapped.
    std::uint32_t open(const std::string& nameAndOptions);
    // Sends a command on an open window and throws unless it went through.
    void change(const std::string& command);

    pid_t pid() const { return process_.pid(); }

private:
    PipedProcess process_;
};

} // namespace garbello::test
