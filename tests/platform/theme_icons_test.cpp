#include "draw/bitmap.h"
#include "image_pixels.h"
#include "platform/theme_icons.h"
#include "support/atomic_file.h"
#include "temporary_directory.h"

#include <gtest/gtest.h>

namespace garbello::platform {
namespace {

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
