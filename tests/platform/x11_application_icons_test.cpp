#include "image_pixels.h"
#include "platform/x11_application_icons.h"
#include "x_server.h"

#include <gtest/gtest.h>

namespace garbello {
namespace {

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

TEST(X11ApplicationIconsTest, WindowsGiveTheirOwnIconElseTheApplicationsIsLookedUpOnce) {
    test::XServer server(test::XServer::Manager::none);
    test::X11Fixture app(server);
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
