#include "draw/recording_surface.h"
#include "render/corner_pieces.h"
#include "render/pattern_renderer.h"
#include "render_test_support.h"

#include <gtest/gtest.h>

namespace garbello {
namespace {

TEST(CornerPiecesTest, MotifCountFollowsTheMiddleArc) {
    // The outfit, the border's width and corner radius, and the motifs.
    const std::tuple<Outfit, double, double, int> cases[] = {
        {Outfit::linen, 12, 0, 1},        // floor(π·6 / 14.4) = 1
        {Outfit::hawaiian, 16, 10, 1},    // floor(π·18 / 30.4) = 1
        {Outfit::rainJacket, 16, 10, 2},  // floor(π·18 / 19.2) = 2
        {Outfit::sweater, 10, 20, 6},     // floor(π·25 / 12) = 6
        {Outfit::hawaiian, 10, 20, 4},    // floor(π·25 / 19) = 4
        {Outfit::snowGear, 4, 0, 1},      // floor(π·2 / 4.8) = 1
        {Outfit::linen, 1e-12, 10, 1024}, // capped
    };
    for (const auto& [outfit, width, radius, motifs] : cases)
        EXPECT_EQ(cloth::cornerMotifCount(outfit, width, radius), motifs)
            << outfit.rawValue() << " w " << width << " r " << radius;
}

TEST(CornerPiecesTest, EveryCornerClipsItsFourSectorsAndRestoresWhatItSaves) {
    for (Outfit outfit : Outfit::allCases())
        for (ClothVariant variant : ClothVariant::allCases())
            for (double radius : {0.0, 10.0, 40.0}) {
                RecordingSurface surface;
                cloth::corners(surface, {100, 100, 200, 150}, 16, radius, outfit, variant,
                               paletteFor(outfit, variant));
                EXPECT_EQ(surface.depth(), 0) << clothName(outfit, variant);
                EXPECT_EQ(surface.unbalancedRestores(), 0) << clothName(outfit, variant);
                EXPECT_EQ(surface
                              .matching([](const Operation& op) {
                                  return op.kind == Kind::clip && op.depth == 1;
                              })
                              .size(),
                          4u)
                    << clothName(outfit, variant) << " radius " << radius;
            }
}

TEST(CornerPiecesTest, BorderDrawsThemInsideTheRingInTheCallersFrame) {
    const Palette p = paletteFor(Outfit::sweater, ClothVariant::eighth);
    RecordingSurface surface;
    surface.translate(5, 7);
    drawBorder(surface, {100, 100, 200, 150}, Outfit::sweater, ClothVariant::eighth);
    const auto& operations = surface.operations();
    const auto marks = surface.matching(Kind::stroke, p.shadow.withAlpha(0.5));
    ASSERT_EQ(marks.size(), 4u);
    // Corner centres one radius in from the window's corners, moved by the caller.
    const Point centres[] = {{115, 117}, {295, 117}, {295, 247}, {115, 247}};
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(marks[k].depth, 2) << "inside the ring clip's save and the corner's own";
        EXPECT_NEAR(marks[k].transform.apply({0, 0}).x, centres[k].x, 1e-9);
        EXPECT_NEAR(marks[k].transform.apply({0, 0}).y, centres[k].y, 1e-9);
    }
    // The last ring clip comes before the corners.
    std::size_t lastRingClip = 0, firstMark = 0;
    for (std::size_t i = 0; i < operations.size(); ++i) {
        if (operations[i].kind == Kind::clip && operations[i].rule == FillRule::evenOdd)
            lastRingClip = i;
        if (firstMark == 0 && operations[i].ink == p.shadow.withAlpha(0.5))
            firstMark = i;
    }
    EXPECT_LT(lastRingClip, firstMark);
    EXPECT_EQ(operations[lastRingClip].depth, 1);
}

} // namespace
} // namespace garbello
