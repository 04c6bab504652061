#include "x_server.h"

#include "run_process.h"
#include "support/atomic_file.h"

#include <xcb/xcb.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace garbello::test {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kStartTimeout = std::chrono::seconds(10);
constexpr int kFirstDisplay = 90;
constexpr int kDisplaysTried = 100;

std::string logTail(const std::filesystem::path& file) {
    try {
        std::string text = readFile(file);
        return text.size() > 600 ? text.substr(text.size() - 600) : text;
    } catch (const std::exception&) {
        return {};
    }
}

// Runs the connection's events through `seen` until it returns true, the
// deadline passes or the manager exits.
template <typename Seen>
bool waitForEvent(xcb_connection_t* connection, pid_t manager, Clock::time_point deadline,
                  Seen seen) {
    while (Clock::now() < deadline && ::waitpid(manager, nullptr, WNOHANG) == 0 &&
           !xcb_connection_has_error(connection)) {
        pollfd wait{xcb_get_file_descriptor(connection), POLLIN, 0};
        ::poll(&wait, 1, 50);
        bool found = false;
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) {
            found = found || seen(event);
            std::free(event);
        }
        if (found)
            return true;
    }
    return false;
}

// Whether a window manager serves `display`: it takes a probe window into a
// frame of its own. Owning WM_S0 is not enough, as openbox takes the
// selection long before it handles its first map request.
bool managing(const std::string& display, pid_t manager, Clock::time_point deadline) {
    xcb_connection_t* connection = xcb_connect(display.c_str(), nullptr);
    bool reparented = false;
    if (!xcb_connection_has_error(connection)) {
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
        const xcb_window_t probe = xcb_generate_id(connection);
        const std::uint32_t events[] = {XCB_EVENT_MASK_STRUCTURE_NOTIFY};
        xcb_create_window(connection, XCB_COPY_FROM_PARENT, probe, screen->root, 0, 0, 10, 10, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_EVENT_MASK,
                          events);
        xcb_map_window(connection, probe);
        xcb_flush(connection);
        xcb_window_t frame = XCB_NONE;
        reparented = waitForEvent(connection, manager, deadline, [&](xcb_generic_event_t* event) {
            if ((event->response_type & 0x7f) != XCB_REPARENT_NOTIFY)
                return false;
            frame = reinterpret_cast<xcb_reparent_notify_event_t*>(event)->parent;
            return true;
        });
        // The next client gets the probe's id again; until the manager has
        // let go of the probe (it destroys the frame last), it may apply the
        // probe's 10 × 10 to that client's first window.
        if (reparented)
            xcb_change_window_attributes(connection, frame, XCB_CW_EVENT_MASK, events);
        xcb_destroy_window(connection, probe);
        xcb_flush(connection);
        if (reparented)
            waitForEvent(connection, manager, deadline, [&](xcb_generic_event_t* event) {
                return (event->response_type & 0x7f) == XCB_DESTROY_NOTIFY &&
                       reinterpret_cast<xcb_destroy_notify_event_t*>(event)->window == frame;
            });
    }
    xcb_disconnect(connection);
    return reparented;
}

// Whether the compositing manager selection of `display`'s first screen has
// an owner, once it does (or, with `owned` false, once it has none) before
// the deadline.
bool compositorOwned(const std::string& display, bool owned, Clock::time_point deadline) {
    xcb_connection_t* c = xcb_connect(display.c_str(), nullptr);
    xcb_intern_atom_reply_t* atom =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, 13, "_NET_WM_CM_S0"), nullptr);
    bool reached = false;
    while (atom && !reached && Clock::now() < deadline) {
        xcb_get_selection_owner_reply_t* owner =
            xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, atom->atom), nullptr);
        reached = owner && (owner->owner != XCB_NONE) == owned;
        std::free(owner);
        if (!reached)
            ::usleep(20000);
    }
    std::free(atom);
    xcb_disconnect(c);
    return reached;
}

} // namespace

XServer::XServer(Manager manager, Extensions extensions) {
    // A missing program fails to start with the system's reason (scripts/setup
    // installs them all).
    startServer(extensions);
    if (manager == Manager::openbox) {
        try {
            startManager();
        } catch (...) {
            endProgram(server_, SIGTERM);
            throw;
        }
    }
}

XServer::~XServer() {
    endProgram(compositor_, SIGTERM);
    endProgram(manager_, SIGTERM);
    endProgram(server_, SIGTERM);
}

void XServer::kill() {
    endProgram(server_, SIGKILL);
}

pid_t XServer::startClient(const std::string& program, const std::vector<std::string>& arguments,
                           const std::map<std::string, std::string>& environment,
                           const std::string& logFile) const {
    auto withDisplay = environment;
    withDisplay["DISPLAY"] = display_;
    return spawnProgram(program, arguments, withDisplay, {}, logFile);
}

// Tries display numbers upward from a high one; Xvfb refuses a number whose
// lock another server holds, and says on the -displayfd pipe once it
// accepts connections.
void XServer::startServer(Extensions extensions) {
    const auto log = home_ / "xvfb.log";
    for (int number = kFirstDisplay; number < kFirstDisplay + kDisplaysTried; ++number) {
        if (std::filesystem::exists("/tmp/.X" + std::to_string(number) + "-lock"))
            continue;
        int ready[2];
        if (::pipe2(ready, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe failed");
        const std::string display = ":" + std::to_string(number);
        std::vector<std::string> arguments{display,     "-screen", "0",          "1280x800x24",
                                           "-nolisten", "tcp",     "-displayfd", "3"};
        if (extensions == Extensions::withoutSharedMemory)
            arguments.insert(arguments.end(), {"-extension", "MIT-SHM"});
        pid_t pid = spawnProgram("Xvfb", arguments, {}, {{ready[1], 3}}, log.string());
        ::close(ready[1]);
        std::string answer;
        const bool started = readLine(ready[0], answer, kStartTimeout);
        ::close(ready[0]);
        if (started) {
            server_ = pid;
            display_ = display;
            return;
        }
        endProgram(pid, SIGKILL);
    }
    throw std::runtime_error("Could not start Xvfb on any display from :" +
                             std::to_string(kFirstDisplay) + ": " + logTail(log));
}

void XServer::startManager() {
    const auto home = home_ / "home";
    std::filesystem::create_directories(home);
    const auto log = home_ / "openbox.log";
    manager_ = spawnProgram("openbox", {"--sm-disable"},
                            {{"DISPLAY", display_},
                             {"HOME", home.string()},
                             {"XDG_CONFIG_HOME", (home / "config").string()},
                             {"XDG_DATA_HOME", (home / "data").string()},
                             {"XDG_CACHE_HOME", (home / "cache").string()},
                             {"XDG_STATE_HOME", (home / "state").string()}},
                            {}, log.string());
    if (!managing(display_, manager_, Clock::now() + kStartTimeout)) {
        endProgram(manager_, SIGKILL);
        throw std::runtime_error("openbox did not start on " + display_ + ": " + logTail(log));
    }
}

void XServer::startCompositor() {
    const auto log = home_ / "xcompmgr.log";
    compositor_ = spawnProgram("xcompmgr", {}, {{"DISPLAY", display_}}, {}, log.string());
    if (!compositorOwned(display_, true, Clock::now() + kStartTimeout)) {
        endProgram(compositor_, SIGKILL);
        throw std::runtime_error("xcompmgr did not start on " + display_ + ": " + logTail(log));
    }
}

void XServer::stopCompositor() {
    endProgram(compositor_, SIGTERM);
    if (!compositorOwned(display_, false, Clock::now() + kStartTimeout))
        throw std::runtime_error("xcompmgr's selection outlived it on " + display_);
}

X11Fixture::X11Fixture(const XServer& server)
    : process_(GARBELLO_X11_FIXTURE, {}, {{"DISPLAY", server.display()}}) {}

std::string X11Fixture::send(const std::string& command) {
    process_.write(command);
    return process_.readLine(kStartTimeout);
}

std::uint32_t X11Fixture::open(const std::string& nameAndOptions) {
    const std::string answer = send("open " + nameAndOptions);
    const std::size_t id = answer.find(" 0x");
    if (answer.rfind("ok ", 0) != 0 || id == std::string::npos)
        throw std::runtime_error("open " + nameAndOptions + ": " + answer);
    return static_cast<std::uint32_t>(std::stoul(answer.substr(id + 1), nullptr, 16));
}

void X11Fixture::change(const std::string& command) {
    const std::string answer = send(command);
    if (answer != "ok" && answer.rfind("ok ", 0) != 0)
        throw std::runtime_error(command + ": " + answer);
}

} // namespace garbello::test
