#include "run_process.h"
#include "support/atomic_file.h"
#include "temporary_directory.h"
#include "x_observer.h"
#include "x_server.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <optional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>

namespace garbello {
namespace {

using Clock = std::chrono::steady_clock;

// Waits up to a few seconds for `done`; the application works at its own pace.
template <typename Done> bool eventually(Done done) {
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (!done() && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return done();
}

// The exit status once the process ends within a few seconds; none otherwise.
std::optional<int> exitStatus(pid_t pid) {
    std::optional<int> status;
    eventually([&] {
        int raw = 0;
        if (::waitpid(pid, &raw, WNOHANG) == pid)
            status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -WTERMSIG(raw);
        return status.has_value();
    });
    return status;
}

// The real executable on a private X server, with settings, runtime folder
// and buses of the test's own, started as at login so that it opens no window.
class ApplicationTest : public testing::Test {
protected:
    ApplicationTest() {
        writeFileAtomically(home / "config" / "Garbello" / "settings.json",
                            R"({"manualOutfit": "sweater", "onboardingCompleted": true,
                                "askedForLocation": true, "updaterV1": {"automatic": false}})");
        std::filesystem::create_directory(home / "run");
        ::chmod((home / "run").c_str(), 0700);
        const std::string noBus = "unix:path=" + (home / "no-bus").string();
        environment = {{"HOME", home.path().string()},
                       {"XDG_CONFIG_HOME", (home / "config").string()},
                       {"XDG_RUNTIME_DIR", (home / "run").string()},
                       {"DBUS_SESSION_BUS_ADDRESS", noBus},
                       {"DBUS_SYSTEM_BUS_ADDRESS", noBus},
                       {"GARBELLO_LAUNCHED_AT_LOGIN", "1"}};
    }
    ~ApplicationTest() override {
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
    }

    void start() {
        pid = server.startClient(test::garbelloPath(), {}, environment, log().string());
    }
    std::filesystem::path log() const { return home / "garbello.log"; }
    std::string logText() const {
        std::error_code error;
        return std::filesystem::exists(log(), error) ? readFile(log()) : std::string();
    }

    // The border stacked directly below `window`'s frame: a viewable window
    // the window manager does not manage.
    std::optional<xcb_window_t> windowBelow(xcb_window_t window) {
        const auto order = observer.stacking();
        const auto frame = std::find(order.begin(), order.end(), observer.frameOf(window));
        if (frame == order.begin() || frame == order.end() || !observer.viewable(*(frame - 1)) ||
            !observer.overrideRedirect(*(frame - 1)))
            return std::nullopt;
        return *(frame - 1);
    }
    int viewableTopLevels() {
        int count = 0;
        for (xcb_window_t window : observer.stacking())
            count += observer.viewable(window);
        return count;
    }

    test::XServer server;
    test::X11Fixture fixture{server};
    test::Observer observer{server.display()};
    test::TemporaryDirectory home;
    std::map<std::string, std::string> environment;
    pid_t pid = -1;
};

TEST_F(ApplicationTest, DressesWindowsReopensOnASecondStartAndLeavesNothingOnSigterm) {
    const std::uint32_t editor =
        fixture.open("editor class=Editor app-id=org.example.Editor x=200 y=150 w=500 h=350");
    const std::uint32_t dialog = fixture.open(
        "dialog class=Editor app-id=org.example.Editor type=dialog x=760 y=150 w=300 h=200");
    start();
    std::optional<xcb_window_t> border;
    ASSERT_TRUE(eventually([&] { return (border = windowBelow(editor)).has_value(); }))
        << logText();
    EXPECT_FALSE(windowBelow(dialog)) << "dialogs are never dressed";
    const auto ring = observer.geometry(*border);
    const auto frame = observer.geometry(observer.frameOf(editor));
    ASSERT_TRUE(ring && frame);
    EXPECT_LT(ring->x, frame->x);
    EXPECT_GT(ring->x + ring->width, frame->x + frame->width);

    // A second start hands over to the running one, which opens its settings.
    const int before = viewableTopLevels();
    const pid_t second = server.startClient(test::garbelloPath(), {}, environment, log().string());
    EXPECT_EQ(exitStatus(second), 0);
    EXPECT_TRUE(eventually([&] { return viewableTopLevels() == before + 1; }));

    ::kill(pid, SIGTERM);
    EXPECT_EQ(exitStatus(pid), 0) << logText();
    pid = -1;
    EXPECT_FALSE(observer.geometry(*border)) << "the border window is gone";
    EXPECT_FALSE(windowBelow(editor));
}

} // namespace
} // namespace garbello
