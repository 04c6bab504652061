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

constexpr int kBorderWidth = 14;
constexpr std::uint32_t kDesktop = 0x56677a, kPaper = 0xfdf6e3;

// The real executable on a private X server, with settings, runtime folder
// and buses of the test's own, started as at login so that it opens no
// window; once plain and once under a compositor.
class ApplicationTest : public testing::TestWithParam<bool> {
protected:
    ApplicationTest() {
        writeFileAtomically(home / "config" / "Garbello" / "settings.json",
                            R"({"manualOutfit": "sweater", "onboardingCompleted": true,
                                "borderWidth": 14, "askedForLocation": true,
                                "updaterV1": {"automatic": false}})");
        std::filesystem::create_directory(home / "run");
        ::chmod((home / "run").c_str(), 0700);
        const std::string noBus = "unix:path=" + (home / "no-bus").string();
        environment = {{"HOME", home.path().string()},
                       {"XDG_CONFIG_HOME", (home / "config").string()},
                       {"XDG_RUNTIME_DIR", (home / "run").string()},
                       {"DBUS_SESSION_BUS_ADDRESS", noBus},
                       {"DBUS_SYSTEM_BUS_ADDRESS", noBus},
                       {"GARBELLO_LAUNCHED_AT_LOGIN", "1"}};
        if (GetParam())
            server.startCompositor();
        fixture.change("desktop 56677a");
    }
    ~ApplicationTest() override { test::endProgram(pid, SIGKILL); }

    void start() {
        pid = server.startClient(test::garbelloPath(), {}, environment, log().string());
    }
    std::filesystem::path log() const { return home / "garbello.log"; }
    std::string logText() const {
        std::error_code error;
        return std::filesystem::exists(log(), error) ? readFile(log()) : std::string();
    }

    // The border of `window`: the viewable windows the window manager does
    // not manage stacked directly below its frame, and the rectangle they
    // cover together; none when there are none.
    struct Border {
        std::vector<xcb_window_t> pieces;
        Rect bounds;
    };
    std::optional<Border> borderOf(xcb_window_t window) {
        const auto order = observer.stacking();
        auto below = std::find(order.begin(), order.end(), observer.frameOf(window));
        if (below == order.end() || !observer.viewable(*below))
            return std::nullopt;
        Border border;
        while (below != order.begin() && observer.viewable(*(below - 1)) &&
               observer.overrideRedirect(*(below - 1))) {
            --below;
            auto piece = observer.geometry(*below);
            if (!piece)
                return std::nullopt;
            if (!border.pieces.empty()) {
                const double left = std::min(piece->x, border.bounds.x);
                const double topEdge = std::min(piece->y, border.bounds.y);
                piece = Rect{left, topEdge, std::max(piece->maxX(), border.bounds.maxX()) - left,
                             std::max(piece->maxY(), border.bounds.maxY()) - topEdge};
            }
            border.bounds = *piece;
            border.pieces.push_back(*below);
        }
        if (border.pieces.empty())
            return std::nullopt;
        return border;
    }
    // The frame of `window` grown by the border width on every side.
    std::optional<Rect> outerRect(xcb_window_t window) {
        const auto frame = observer.geometry(observer.frameOf(window));
        if (!frame)
            return std::nullopt;
        return frame->insetBy(-kBorderWidth, -kBorderWidth);
    }
    // Whether `window` is dressed by a border that covers its outer rectangle.
    bool dressed(xcb_window_t window) {
        const auto border = borderOf(window);
        return border && border->bounds == outerRect(window);
    }
    bool gone(const Border& border) {
        return std::none_of(border.pieces.begin(), border.pieces.end(),
                            [&](xcb_window_t piece) { return observer.viewable(piece); });
    }
    std::vector<xcb_window_t> viewableTopLevels() {
        std::vector<xcb_window_t> shown;
        for (xcb_window_t window : observer.stacking())
            if (observer.viewable(window))
                shown.push_back(window);
        return shown;
    }

    test::XServer server;
    test::X11Fixture fixture{server};
    test::Observer observer{server.display()};
    test::TemporaryDirectory home;
    std::map<std::string, std::string> environment;
    pid_t pid = -1;
};

INSTANTIATE_TEST_SUITE_P(Display, ApplicationTest, testing::Bool(),
                         [](const auto& info) { return info.param ? "Composited" : "Plain"; });

TEST_P(ApplicationTest, DressesEligibleWindowsFollowsThemAndLeavesNothingBehind) {
    const std::uint32_t editor = fixture.open("editor class=Editor app-id=org.example.Editor "
                                              "x=200 y=150 w=500 h=350 background=fdf6e3");
    const std::uint32_t dialog = fixture.open(
        "dialog class=Editor app-id=org.example.Editor type=dialog x=760 y=150 w=300 h=200");
    const std::uint32_t notes =
        fixture.open("notes class=Notes app-id=org.example.Notes x=760 y=450 w=300 h=200");
    start();
    ASSERT_TRUE(eventually([&] { return dressed(editor) && dressed(notes); })) << logText();
    EXPECT_FALSE(borderOf(dialog)) << "dialogs are never dressed";

    // Cloth shows in the ring round the editor and nothing of it inside, once
    // the screen has caught up (a compositor paints in its own time).
    const auto ring = *outerRect(editor);
    const auto client = observer.geometry(editor);
    const auto origin = observer.positionOnRoot(editor);
    ASSERT_TRUE(client && origin);
    std::ptrdiff_t paper = 0, cloth = 0, inside = 0, top = 0;
    eventually([&] {
        const auto shown = observer.pixels(observer.root(), int(origin->x), int(origin->y),
                                           int(client->width), int(client->height));
        const auto strip = observer.pixels(observer.root(), int(ring.x), int(ring.y),
                                           int(ring.width), kBorderWidth);
        inside = std::ssize(shown), top = std::ssize(strip);
        paper = std::count(shown.begin(), shown.end(), kPaper);
        cloth = std::count_if(strip.begin(), strip.end(), [](auto c) { return c != kDesktop; });
        return paper == inside && cloth > top * 3 / 4;
    });
    EXPECT_EQ(paper, inside) << "nothing of the border inside the window";
    EXPECT_GT(cloth, top * 3 / 4) << "cloth along the top of the ring";

    // Minimised and full-screen windows lose their borders; moved ones take them along.
    const auto notesBorder = *borderOf(notes);
    fixture.change("minimise notes");
    EXPECT_TRUE(eventually([&] { return gone(notesBorder); })) << "minimised";
    const auto placed = *borderOf(editor);
    fixture.change("move editor 240 190");
    EXPECT_TRUE(eventually([&] { return dressed(editor); })) << "moved";
    EXPECT_EQ(borderOf(editor)->pieces, placed.pieces) << "moved, not made anew";
    const std::uint32_t video =
        fixture.open("video class=Video app-id=org.example.Video x=100 y=100 w=400 h=300");
    ASSERT_TRUE(eventually([&] { return dressed(video); }));
    const auto videoBorder = *borderOf(video);
    fixture.change("fullscreen video");
    EXPECT_TRUE(eventually([&] { return gone(videoBorder); })) << "full screen";
    // Going full screen resizes, which hides a border for a while anyway: it
    // must stay hidden once the resize has settled.
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
    EXPECT_TRUE(gone(videoBorder)) << "full screen, settled";
    const auto editorBorder = *borderOf(editor);
    fixture.change("close editor");
    EXPECT_TRUE(eventually([&] { return gone(editorBorder); })) << "closed";
    EXPECT_TRUE(observer.geometry(notesBorder.pieces[0])) << "a minimised window's border waits";

    // A second start hands over to the running one, which opens its settings.
    const auto before = viewableTopLevels();
    const pid_t second = server.startClient(test::garbelloPath(), {}, environment, log().string());
    EXPECT_EQ(exitStatus(second), 0);
    EXPECT_TRUE(eventually([&] {
        const auto now = viewableTopLevels();
        return std::any_of(now.begin(), now.end(), [&](xcb_window_t window) {
            return std::find(before.begin(), before.end(), window) == before.end();
        });
    })) << "a settings window opens";

    ::kill(pid, SIGTERM);
    EXPECT_EQ(exitStatus(pid), 0) << logText();
    pid = -1;
    for (const auto& border : {notesBorder, videoBorder, editorBorder})
        for (xcb_window_t piece : border.pieces)
            EXPECT_FALSE(observer.geometry(piece)) << "every border window is gone";
}

} // namespace
} // namespace garbello
