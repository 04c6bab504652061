#include "draw/bitmap.h"
#include "render_test_support.h"

#include <gtest/gtest.h>

#include <numbers>

namespace garbello {
namespace {

// A row of rounded bands filled with one gradient on a strip picture of the
// surface's own, where the bands the clip leaves whole go through a mask,
// must give the pixels of filling them all in place: bands the clip's
// fractional edges cut, a band sharing a pixel with one of those, and
// gradients across the strip or along it, on a strip turned either way. At
// two pixels per point, where cairo fits the gradient's transform to the area
// it composites, a colour may round a unit apart (none does in the rings).
TEST(GradientFillTest, GivesThePixelsOfFillingInPlace) {
    const Size strip{200, 16};
    const std::vector<GradientStop> stops = {
        {Ink::hex(0x203040), 0}, {Ink::hex(0xc0d0e0), 0.4}, {Ink::hex(0x506070), 1}};
    struct Case {
        const char* name;
        Frame frame;
        Point start, end;
        int pixelsPerPoint = 1;
        int tolerance = 0;
    };
    const double pi = std::numbers::pi;
    for (const Case& c :
         {Case{"across", {{20, 10}, 0}, {0, 7.3}, {0, 16}},
          Case{"across, a half turn", {{220, 40}, pi}, {0, 7.3}, {0, 16}},
          Case{"across, a quarter turn", {{220, 20}, pi / 2}, {0, 7.3}, {0, 16}},
          Case{"along", {{20, 10}, 0}, {3, 0}, {190, 0}},
          Case{"across, two pixels per point", {{20, 10}, 0}, {0, 7.3}, {0, 16}, 2, 1}}) {
        SCOPED_TRACE(c.name);
        const Frame& frame = c.frame;
        const int side = 240 * c.pixelsPerPoint;
        Bitmap apart(side, side), inPlace(side, side);
        for (Bitmap* bitmap : {&apart, &inPlace}) {
            bitmap->surface().scale(c.pixelsPerPoint, c.pixelsPerPoint);
            const auto bands = [&](DrawingSurface& s) {
                s.fillRect({0, 0, strip.width, strip.height}, Ink::hex(0x405060));
                SavedState saved(s);
                s.clipToRect({5.44, 0, strip.width - 10.88, strip.height});
                Path insides;
                // Pitch 13.3: the last band before x = 6 and the one after
                // it share a pixel column.
                for (double x = -4; x < strip.width; x += 13.3)
                    insides.addRoundedRect({x + 0.65, 7.3, 12.0 + (x < 10 ? 0.5 : 0), 8.7}, 3.4);
                s.fillLinearGradient(insides, stops, c.start, c.end);
            };
            if (bitmap == &apart)
                bitmap->surface().drawInFrames({&frame, 1}, strip, bands);
            else
                bitmap->surface().DrawingSurface::drawInFrames({&frame, 1}, strip, bands);
        }
        EXPECT_EQ(differingPixels(apart, inPlace, c.tolerance), 0);
        EXPECT_GT(paintedPixels(apart, 0, 0, side, side), 0);
    }
}

} // namespace
} // namespace garbello
