#include "draw/bitmap.h"
#include "image_pixels.h"
#include "platform/single_instance.h"
#include "platform/theme_icons.h"
#include "platform/xdg_autostart.h"
#include "qt_event_loop.h"
#include "support/atomic_file.h"
#include "support/error.h"
#include "temporary_directory.h"

#include <gtest/gtest.h>

namespace garbello::platform {
namespace {

TEST(XdgAutostartTest, TheEntryStartsThisExecutableMarkedAsALoginLaunch) {
    const std::pair<std::string, std::string> cases[] = {
        {"/opt/Garbello.app/Contents/MacOS/Garbello",
         R"(Exec=env GARBELLO_LAUNCHED_AT_LOGIN=1 "/opt/Garbello.app/Contents/MacOS/Garbello")"},
        // Quoting's own escapes, then every string's escaping of the backslash.
        {R"(/home/a b/$x"`\100%)",
         R"(Exec=env GARBELLO_LAUNCHED_AT_LOGIN=1 "/home/a b/\\$x\\"\\`\\\\100%%")"},
    };
    for (const auto& [executable, exec] : cases)
        EXPECT_NE(XdgAutostart::entryText(executable).find("\n" + exec + "\n"), std::string::npos)
            << XdgAutostart::entryText(executable);
    EXPECT_THROW(XdgAutostart::entryText("/bad\npath"), garbello::Error);
}

TEST(XdgAutostartTest, OnOnlyWhileTheEntryIsThereAndNotTurnedOffByTheDesktop) {
    test::TemporaryDirectory home;
    XdgAutostart login(home / "autostart", "/opt/Garbello.app/Contents/MacOS/Garbello");
    EXPECT_FALSE(login.enabled());
    login.setEnabled(true);
    EXPECT_TRUE(login.enabled());
    for (const char* off : {"Hidden=true", "X-GNOME-Autostart-enabled=false"}) {
        writeFileAtomically(login.entryPath(),
                            "[Desktop Entry]\nType=Application\n" + std::string(off) + "\n");
        EXPECT_FALSE(login.enabled()) << off;
    }
    login.setEnabled(false);
    EXPECT_FALSE(std::filesystem::exists(login.entryPath()));
    EXPECT_NO_THROW(login.setEnabled(false)) << "turning off twice is no failure";
}

TEST(XdgAutostartTest, TheLoginMarkIsReadOnceAndNotPassedOn) {
    ::setenv(XdgAutostart::kLoginLaunchVariable, "1", 1);
    EXPECT_TRUE(XdgAutostart::takeLoginLaunchMark());
    EXPECT_EQ(std::getenv(XdgAutostart::kLoginLaunchVariable), nullptr);
    EXPECT_FALSE(XdgAutostart::takeLoginLaunchMark());
}

TEST(SingleInstanceTest, ALaterStartAsksTheRunningOneToReopenAndGetsNoPlace) {
    test::ensureCoreApplication();
    test::TemporaryDirectory runtime;
    auto first = SingleInstance::claim(runtime.path());
    ASSERT_TRUE(first);
    int reopened = 0;
    first->onReopen = [&] { ++reopened; };
    EXPECT_FALSE(SingleInstance::claim(runtime.path()));
    ASSERT_TRUE(test::runEventLoopUntil([&] { return reopened == 1; }));
    // Once the first has gone, its place is free, its socket left behind or not.
    first.reset();
    EXPECT_TRUE(SingleInstance::claim(runtime.path()));
}

// A square PNG of one colour.
void writeIcon(const std::filesystem::path& file, int size, unsigned rgb) {
    Bitmap bitmap(size, size);
    bitmap.surface().fill(Path().addRect({0, 0, double(size), double(size)}), Ink::hex(rgb));
    writeFileAtomically(file, bitmap.encodePNG());
}

class ThemeIconsTest : public testing::Test {
protected:
    void SetUp() override {
        const auto base = themes / "icons";
        writeFileAtomically(base / "Test/index.theme",
                            "[Icon Theme]\nName=Test\nInherits=Parent\n"
                            "Directories=16x16/apps,48x48/apps,48x48@2/apps,scalable/apps\n\n"
                            "[16x16/apps]\nSize=16\nType=Fixed\n\n"
                            "[48x48/apps]\nSize=48\nType=Fixed\n\n"
                            "[48x48@2/apps]\nSize=48\nScale=2\nType=Fixed\n\n"
                            "[scalable/apps]\nSize=48\nMinSize=8\nMaxSize=512\nType=Scalable\n");
        writeFileAtomically(base / "Parent/index.theme",
                            "[Icon Theme]\nDirectories=32x32/apps\n[32x32/apps]\nSize=32\n");
        writeFileAtomically(base / "hicolor/index.theme",
                            "[Icon Theme]\nDirectories=48x48/apps\n[48x48/apps]\nSize=48\n");
        writeIcon(base / "Test/16x16/apps/app.png", 16, 0xFF0000);
        writeIcon(base / "Test/48x48/apps/app.png", 48, 0x0000FF);
        writeIcon(base / "Test/48x48@2/apps/dense.png", 96, 0x00FF00);
        writeFileAtomically(base / "Test/scalable/apps/vector.svg", "<svg/>");
        writeFileAtomically(base / "Test/48x48/apps/broken.png", "not a png");
        writeIcon(base / "Parent/32x32/apps/inherited.png", 32, 0x00FF00);
        writeIcon(base / "hicolor/48x48/apps/fallback.png", 48, 0xFFFF00);
        writeIcon(pixmaps / "loose.png", 20, 0x00FFFF);
    }

    test::TemporaryDirectory themes;
    test::TemporaryDirectory pixmaps;
};

TEST_F(ThemeIconsTest, FindsTheClosestPictureThroughTheThemeItsParentsAndHicolor) {
    const ThemeIcons icons("Test", {themes / "icons", pixmaps.path()});
    const std::vector<std::tuple<std::string, int, unsigned>> found = {
        {"app", 16, 0xFF0000},
        {"app", 48, 0x0000FF},
        // Nothing matches 40: the larger 48 is as close as any and scales down.
        {"app", 40, 0x0000FF},
        {"app", 24, 0xFF0000},
        {"inherited", 64, 0x00FF00},
        {"fallback", 48, 0xFFFF00},
        {"loose", 32, 0x00FFFF},
    };
    for (const auto& [name, size, colour] : found) {
        const auto icon = icons.themeIcon(name, size);
        ASSERT_TRUE(icon.has_value()) << name << " " << size;
        EXPECT_EQ(icon->width, size);
        EXPECT_EQ(icon->height, size);
        EXPECT_EQ(test::argbAt(*icon, size / 2, size / 2) & 0xffffff, colour)
            << name << " " << size;
    }
    // Only what a program could show: no dense-screen pictures, no vectors,
    // nothing unreadable, nothing outside the themes.
    for (const std::string name :
         {"dense", "vector", "broken", "missing", "../Test/48x48/apps/app", ""})
        EXPECT_FALSE(icons.themeIcon(name, 48).has_value()) << name;
    const auto direct = icons.themeIcon((pixmaps / "loose.png").string(), 10);
    ASSERT_TRUE(direct.has_value());
    EXPECT_EQ(direct->width, 10);
}

} // namespace
} // namespace garbello::platform
