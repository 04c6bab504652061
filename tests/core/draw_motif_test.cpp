#include "draw/bitmap.h"
#include "render_test_support.h"

#include <gtest/gtest.h>

#include <numbers>

namespace garbello {
namespace {

// A row of flowers drawn as motifs into a strip copied to the opposite edge
// must give the pixels of drawing each in place, while painting only the
// ones that do not lie as an earlier one did over the same backdrop; the rest
// are copies. At two pixels per point each strip is drawn on a picture of its
// own, which keeps its motifs too. On the bitmap itself, where a caller may
// have clipped the context, every one is painted.
TEST(DrawMotifTest, CopiesOnlyWhatLiesAlikeOverTheSameBackdrop) {
    struct Case {
        const char* name;
        double step;     // between flowers, in points
        double clipLeft; // where the strip's clip starts
        bool stripe;     // a stripe lies under the third flower
        bool inFrames;   // drawn into a strip picture of the surface's own
        int pixelsPerPoint;
        int painted; // flowers painted rather than copied
    };
    const auto flower = [](DrawingSurface& s) {
        s.rotate(0.3);
        Path petals;
        for (int i = 0; i < 5; ++i)
            petals.addEllipse({-1.5 + 4 * (i % 2), -5.0 + 2 * i, 3, 3});
        s.fill(petals, Ink::hex(0xd0406a).withAlpha(0.8));
        s.stroke(Path().addLine({0, 0}, {3.3, 4.1}), Ink::hex(0xfff0c0), StrokeStyle::rounded(0.7));
    };
    const Size strip{240, 40};
    const Frame frames[] = {{{0, 0}, 0}, {{240, 100}, std::numbers::pi}};
    for (const Case& c : {
             Case{"whole steps", 21, 0, false, true, 1, 1},
             Case{"half steps: two ways on the grid", 20.5, 0, false, true, 1, 2},
             Case{"another backdrop", 21, 0, true, true, 1, 2},
             Case{"cut by the clip off the grid", 21, 10.4, false, true, 1, 2},
             Case{"two pixels per point: a picture for each strip", 20.5, 0, false, true, 2, 2},
             Case{"on the bitmap", 21, 0, false, false, 1, 10},
         }) {
        SCOPED_TRACE(c.name);
        const int n = c.pixelsPerPoint;
        Bitmap asMotifs(240 * n, 100 * n), inPlace(240 * n, 100 * n);
        int painted = 0;
        for (Bitmap* bitmap : {&asMotifs, &inPlace}) {
            bitmap->surface().scale(n, n);
            const auto row = [&](DrawingSurface& s) {
                s.fillRect({0, 0, strip.width, strip.height}, Ink::hex(0x2a6f5e));
                if (c.stripe)
                    s.fillRect({50, 0, 3, 40}, Ink::hex(0xe8c26a));
                SavedState saved(s);
                s.clipToRect({c.clipLeft, 0, strip.width - c.clipLeft, strip.height});
                for (int i = 0; i < 10; ++i) {
                    SavedState motif(s);
                    s.translate(9.3 + i * c.step, 20.25);
                    if (bitmap == &inPlace)
                        flower(s);
                    else
                        s.drawMotif(1, {-7, -7, 14, 14}, [&](DrawingSurface& target) {
                            ++painted;
                            flower(target);
                        });
                }
            };
            if (c.inFrames)
                bitmap->surface().drawInFrames(frames, strip, row);
            else
                row(bitmap->surface());
        }
        EXPECT_EQ(painted, c.painted);
        EXPECT_EQ(differingPixels(asMotifs, inPlace), 0);
    }
}

} // namespace
} // namespace garbello
