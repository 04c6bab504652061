#include "image_pixels.h"
#include "platform/front_application.h"
#include "platform/x11_application_icons.h"
#include "platform/x11_window_source.h"
#include "support/atomic_file.h"
#include "support/log.h"
#include "x_server.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

namespace garbello {
namespace {

using platform::WindowList;
using platform::WindowServerWindow;
using platform::WindowType;
using Clock = std::chrono::steady_clock;

const WindowServerWindow* find(const WindowList& list, std::uint32_t id) {
    const auto found = std::ranges::find(list.windows, id, &WindowServerWindow::id);
    return found == list.windows.end() ? nullptr : &*found;
}

// The ids of `list` that are among `ids`, in the list's order.
std::vector<std::uint32_t> order(const WindowList& list, const std::vector<std::uint32_t>& ids) {
    std::vector<std::uint32_t> listed;
    for (const auto& window : list.windows)
        if (std::ranges::count(ids, window.id))
            listed.push_back(window.id);
    return listed;
}

struct Extents {
    double left = 0, right = 0, top = 0, bottom = 0;
};

class X11WindowSourceTest : public testing::Test {
protected:
    explicit X11WindowSourceTest(test::XServer::Manager manager = test::XServer::Manager::openbox)
        : server(manager), app(server) {
        std::filesystem::create_directories(entries);
        source = platform::X11WindowSource::open(server.display(), {entries});
        if (!source)
            throw std::runtime_error("no connection to " + server.display());
    }

    // Reads until `done` holds for the list (the window manager works at its
    // own pace), at most a few seconds; the last list read either way.
    template <typename Done> WindowList readUntil(Done done) {
        const auto deadline = Clock::now() + std::chrono::seconds(5);
        WindowList list = source->read();
        while (!done(list) && Clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            list = source->read();
        }
        return list;
    }
    WindowList readWith(const std::vector<std::uint32_t>& ids) {
        return readUntil([&](const WindowList& list) {
            return std::all_of(ids.begin(), ids.end(), [&](auto id) { return find(list, id); });
        });
    }

    // The window manager's decorations around a window (none when unmanaged).
    Extents decorations(const std::string& name) {
        Extents e;
        std::sscanf(app.send("extents " + name).c_str(), "ok %*s %*s %lf %lf %lf %lf", &e.left,
                    &e.right, &e.top, &e.bottom);
        return e;
    }

    test::XServer server;
    test::X11Fixture app;
    test::TemporaryDirectory data;
    std::filesystem::path entries = data / "applications";
    std::unique_ptr<platform::X11WindowSource> source;
};

TEST_F(X11WindowSourceTest, BoundsAreTheFrameWithoutClientSideShadows) {
    // The window's options, and the shadows it says its frame includes.
    const std::vector<std::pair<std::string, Extents>> cases = {
        {"x=40 y=50 w=300 h=200", {}},
        {"x=400 y=120 w=320 h=240 undecorated=1 frame-extents=10,12,8,14", {10, 12, 8, 14}},
        {"x=700 y=500 w=60 h=30 override-redirect=1", {}},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const auto& [options, shadow] = cases[i];
        SCOPED_TRACE(options);
        const std::string name = "w" + std::to_string(i);
        const std::uint32_t id = app.open(name + " " + options);
        const Extents frame = decorations(name);
        double x = 0, y = 0, w = 0, h = 0;
        std::sscanf(options.c_str(), "x=%lf y=%lf w=%lf h=%lf", &x, &y, &w, &h);
        // The window manager puts the frame's corner where the client asked,
        // possibly a moment after mapping it.
        const Rect expected{x + shadow.left, y + shadow.top,
                            w + frame.left + frame.right - shadow.left - shadow.right,
                            h + frame.top + frame.bottom - shadow.top - shadow.bottom};
        const WindowList list = readUntil([&](const WindowList& read) {
            return find(read, id) && find(read, id)->bounds == expected;
        });
        ASSERT_NE(find(list, id), nullptr);
        EXPECT_EQ(find(list, id)->bounds, expected);
        EXPECT_EQ(find(list, id)->processID, app.pid());
    }
    EXPECT_GT(decorations("w0").top, 0) << "openbox draws a title bar";
}

TEST_F(X11WindowSourceTest, StatesAndLayersComeFromTheWindowManagersProperties) {
    using enum WindowType;
    // The options, a command sent once every window has been read (so that
    // what a read kept of the window must give way to it), and the layer's
    // sign, type and opacity read.
    const std::vector<std::tuple<std::string, std::string, int, WindowType, double>> cases = {
        {"", "", 0, normal, 1},
        {"state=above", "", 1, normal, 1},
        {"state=below", "", -1, normal, 1},
        {"type=dock undecorated=1 w=1280 h=30", "", 1, dock, 1},
        {"type=dialog", "", 0, dialog, 1},
        {"type=utility", "", 0, utility, 1},
        {"override-redirect=1 type=popup-menu", "", 1, menu, 1},
        {"override-redirect=1 type=tooltip", "", 1, other, 1},
        {"opacity=0.25", "", 0, normal, 0.25},
        {"", "minimise", 0, normal, 1},
        {"", "fullscreen", 0, normal, 1},
    };
    std::vector<std::uint32_t> ids;
    for (std::size_t i = 0; i < cases.size(); ++i)
        ids.push_back(app.open("s" + std::to_string(i) + " " + std::get<0>(cases[i])));
    readWith(ids);
    for (std::size_t i = 0; i < cases.size(); ++i)
        if (const std::string& command = std::get<1>(cases[i]); !command.empty())
            app.change(command + " s" + std::to_string(i));
    const std::uint32_t desktop = app.open("desktop type=desktop w=1280 h=800");
    const WindowList list = readUntil([&](const WindowList& list) {
        const auto* last = find(list, ids.back());
        const auto* hidden = find(list, ids[ids.size() - 2]);
        return last && last->fullScreen && hidden && hidden->minimized;
    });
    EXPECT_TRUE(list.statesTrusted);
    EXPECT_EQ(find(list, desktop), nullptr) << "desktop windows are never listed";
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const auto& [options, command, layerSign, type, alpha] = cases[i];
        SCOPED_TRACE(options + " " + command);
        const WindowServerWindow* window = find(list, ids[i]);
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(std::clamp(window->layer, -1, 1), layerSign);
        EXPECT_EQ(window->type, type);
        EXPECT_EQ(window->minimized, command == "minimise");
        EXPECT_EQ(window->viewable, command != "minimise");
        EXPECT_EQ(window->fullScreen, command == "fullscreen");
        EXPECT_NEAR(window->alpha, alpha, 1e-6);
    }
    EXPECT_EQ(find(list, ids.back())->bounds, (Rect{0, 0, 1280, 800}));
}

// The front application's full-screen test on the window manager's answers:
// the front window is the focused one, and its state or size decides.
TEST_F(X11WindowSourceTest, TheActiveWindowDecidesWhetherTheFrontIsFullScreen) {
    platform::WindowListFrontApplication front(*source, *source);
    const std::uint32_t small = app.open("small x=10 y=10 w=300 h=200");
    EXPECT_EQ(readUntil([&](const WindowList& l) { return l.activeWindow == small; }).activeWindow,
              small);
    EXPECT_FALSE(front.isFullScreen());
    app.change("fullscreen small");
    readUntil([&](const WindowList& l) { return find(l, small) && find(l, small)->fullScreen; });
    EXPECT_TRUE(front.isFullScreen());
}

TEST_F(X11WindowSourceTest, ListsFrontMostFirstAndFollowsARaise) {
    const std::uint32_t a = app.open("a x=10 y=10"), b = app.open("b x=30 y=30"),
                        c = app.open("c x=50 y=50");
    const std::vector ids = {a, b, c};
    EXPECT_EQ(order(readWith(ids), ids), (std::vector{c, b, a}));

    app.change("raise a");
    const auto raised = [&](const WindowList& list) {
        return order(list, ids) == std::vector{a, c, b};
    };
    EXPECT_EQ(order(readUntil(raised), ids), (std::vector{a, c, b}));

    // An override-redirect window stacks by its own place: above them all.
    const std::uint32_t menu = app.open("menu override-redirect=1 type=popup-menu");
    const std::vector all = {a, b, c, menu};
    EXPECT_EQ(order(readWith(all), all), (std::vector{menu, a, c, b}));
}

TEST_F(X11WindowSourceTest, ApplicationsAreNamedByApplicationIDDesktopEntryOrClass) {
    writeFileAtomically(entries / "org.example.TextEditor.desktop",
                        "[Desktop Entry]\nName=Editor\nStartupWMClass=Editor\n");
    writeFileAtomically(entries / "viewer.desktop", "[Desktop Entry]\nName=Viewer\n");
    writeFileAtomically(entries / "misfiled.desktop",
                        "[Desktop Action New]\nStartupWMClass=Plain\n");
    // The window's options, and its application's id and whether it is regular.
    const std::vector<std::tuple<std::string, std::string, bool>> cases = {
        {"class=Whatever app-id=org.example.Gtk", "org.example.Gtk", true},
        {"class=Editor", "org.example.TextEditor", true},
        {"class=VIEWER instance=x", "viewer", true},
        {"class=Tool instance=Viewer", "viewer", true},
        {"class=Plain", "Plain", true},
        {"class=Dialogue type=dialog", "Dialogue", false},
        {"class=Menu override-redirect=1", "", false},
        {"", "", false},
    };
    std::vector<std::uint32_t> ids;
    for (std::size_t i = 0; i < cases.size(); ++i)
        ids.push_back(app.open("p" + std::to_string(i) + " pid=" + std::to_string(1000 + i) + " " +
                               std::get<0>(cases[i])));
    const std::uint32_t anonymous = app.open("anonymous pid=none class=Anonymous");
    ids.push_back(anonymous);
    const WindowList list = readWith(ids);
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const auto& [options, application, regular] = cases[i];
        SCOPED_TRACE(options);
        const auto pid = static_cast<std::int32_t>(1000 + i);
        ASSERT_EQ(list.applications.count(pid), 1u);
        EXPECT_EQ(list.applications.at(pid), (platform::RunningApplication{application, regular}));
    }
    EXPECT_EQ(find(list, anonymous)->processID, std::nullopt);
    EXPECT_EQ(list.applications.size(), cases.size());
}

TEST_F(X11WindowSourceTest, WindowsClosedDuringReadsLeaveNoHalfRecords) {
    constexpr int kWindows = 40;
    std::vector<std::uint32_t> ids;
    for (int i = 0; i < kWindows; ++i)
        ids.push_back(app.open("c" + std::to_string(i) + " x=20 y=20 w=200 h=100"));
    const Extents frame = decorations("c0");
    const Rect expected{20, 20, 200 + frame.left + frame.right, 100 + frame.top + frame.bottom};
    readWith(ids);
    // The closes start as the reads do, so that windows go between the list
    // and the questions about them.
    std::atomic<bool> reading = false;
    std::thread closer([&] {
        while (!reading)
            std::this_thread::yield();
        for (int i = 0; i < kWindows; ++i)
            app.send("close c" + std::to_string(i));
    });
    std::size_t seen = kWindows;
    while (seen > 0) {
        reading = true;
        const WindowList list = source->read();
        seen = order(list, ids).size();
        for (const auto& window : list.windows)
            if (std::ranges::count(ids, window.id)) {
                EXPECT_EQ(window.bounds, expected);
                EXPECT_EQ(window.processID, app.pid());
                EXPECT_TRUE(list.applications.count(app.pid()));
            }
        if (HasFailure())
            break;
    }
    closer.join();
    EXPECT_TRUE(source->connected());
}

TEST_F(X11WindowSourceTest, TheStructureWatchReportsAMove) {
    app.open("dragged x=10 y=10");
    std::atomic<int> moves{0};
    source->watchStructure([&](auto) { ++moves; });
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    for (int x = 20; moves == 0 && Clock::now() < deadline; x += 10) {
        app.change("move dragged " + std::to_string(x) + " 10");
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_GT(moves, 0);
    source->watchStructure({});
    const int reported = moves;
    app.change("move dragged 300 300");
    EXPECT_EQ(moves, reported) << "no report once the watch stopped";
}

TEST_F(X11WindowSourceTest, ALostServerStopsTrackingWithOneLogLine) {
    const std::uint32_t id = app.open("doomed");
    ASSERT_NE(find(readWith({id}), id), nullptr);
    source->watchStructure([](auto) {});
    ScopedLogCapture capture;
    server.kill();
    EXPECT_EQ(source->read(), WindowList{});
    EXPECT_FALSE(source->connected());
    EXPECT_EQ(source->read(), WindowList{});
    EXPECT_EQ(
        capture.sink().records("tracking"),
        (std::vector<LogRecord>{{"tracking", LogLevel::error,
                                 "Lost the connection to the X server; window tracking stopped"}}));
    EXPECT_FALSE(source->frames().empty()) << "the last monitors are kept";
    EXPECT_EQ(platform::X11WindowSource::open(server.display()), nullptr) << "nothing to open";
}

class BareX11ServerTest : public X11WindowSourceTest {
protected:
    BareX11ServerTest() : X11WindowSourceTest(test::XServer::Manager::none) {}
};

TEST_F(BareX11ServerTest, WithoutAWindowManagerOnlyUnmanagedWindowsAndNoTrust) {
    EXPECT_EQ(source->frames(), (std::vector<Rect>{{0, 0, 1280, 800}}));
    const std::uint32_t plain = app.open("plain state=fullscreen");
    const std::uint32_t menu = app.open("menu override-redirect=1 x=5 y=6 w=70 h=30");
    const WindowList list = readWith({menu});
    EXPECT_FALSE(list.statesTrusted);
    EXPECT_EQ(find(list, plain), nullptr) << "no client list without a window manager";
    ASSERT_NE(find(list, menu), nullptr);
    EXPECT_EQ(find(list, menu)->bounds, (Rect{5, 6, 70, 30}));
    EXPECT_EQ(source->frames(), (std::vector<Rect>{{0, 0, 1280, 800}}));
}

TEST(WindowIconTest, TheLargestUsableSizeIsTakenPremultipliedAndBadDataIsNotOverread) {
    // 1 × 1 opaque red, 2 × 2 half-transparent white, 3 × 3 blue.
    const std::vector<std::uint32_t> icons = {
        1,          1,          0xffff0000,                                     //
        2,          2,          0x80ffffff, 0x80ffffff, 0x80ffffff, 0x80ffffff, //
        3,          3,          0xff0000ff, 0xff0000ff, 0xff0000ff, 0xff0000ff,
        0xff0000ff, 0xff0000ff, 0xff0000ff, 0xff0000ff, 0xff0000ff};
    // How many words are read, the largest side allowed, then the side of the
    // icon chosen (0: none) and its first pixel.
    const std::tuple<const char*, std::size_t, int, int, std::uint32_t> cases[] = {
        {"largest", icons.size(), 256, 3, 0xff0000ff},
        {"too large is skipped", icons.size(), 2, 2, 0x80808080},
        {"last one truncated", icons.size() - 1, 256, 2, 0x80808080},
        {"only a header", 2, 256, 0, 0},
        {"empty", 0, 256, 0, 0},
    };
    for (const auto& [what, words, largestSide, side, first] : cases) {
        SCOPED_TRACE(what);
        const auto icon = platform::chooseWindowIcon(icons.data(), words, largestSide);
        ASSERT_EQ(icon.has_value(), side != 0);
        if (!icon)
            continue;
        EXPECT_EQ(icon->width, side);
        EXPECT_EQ(icon->pixels.size(), std::size_t(side * side * 4));
        EXPECT_EQ(test::argbAt(*icon, 0, 0), first);
    }
    const std::vector<std::uint32_t> hostile = {0xffffffff, 0xffffffff, 1, 2};
    EXPECT_FALSE(platform::chooseWindowIcon(hostile.data(), hostile.size(), 256));
}

TEST_F(BareX11ServerTest, WindowsGiveTheirOwnIconElseTheApplicationsIsLookedUpOnce) {
    const std::uint32_t withIcon = app.open("painter class=Painter icon=336699");
    const std::uint32_t without = app.open("plain class=Plain");
    std::vector<std::string> lookedUp;
    auto icons = platform::X11ApplicationIcons::open(
        server.display(), [&](const std::string& id) -> std::optional<Image> {
            lookedUp.push_back(id);
            if (id == "org.example.Themed")
                return Image{1, 1, 4, {1, 2, 3, 255}};
            return std::nullopt;
        });
    ASSERT_TRUE(icons);

    const auto own = icons->icon(1, "org.example.Painter", withIcon);
    ASSERT_TRUE(own);
    EXPECT_EQ(own->width, 32) << "the larger of the two sizes";
    EXPECT_EQ(test::argbAt(*own, 0, 0), 0xff336699u);

    for (int pass = 0; pass < 2; ++pass) {
        EXPECT_TRUE(icons->icon(1, "org.example.Themed", without));
        EXPECT_FALSE(icons->icon(1, "org.example.Plain", without));
    }
    EXPECT_EQ(lookedUp, (std::vector<std::string>{"org.example.Themed", "org.example.Plain",
                                                  "org.example.Themed"}))
        << "an application without any icon is not looked up again";
    EXPECT_FALSE(icons->icon(1, "", 0x7fffff)) << "a window that is gone";
}

} // namespace
} // namespace garbello
