#pragma once

#include "draw/bitmap.h"
#include "draw/recording_surface.h"
#include "render/pattern_renderer.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace garbello {

// The first point of every subpath of `operation`, in the root frame and in
// drawing order.
inline std::vector<Point> subpathStarts(const RecordingSurface::Operation& operation) {
    return operation.subpathStarts();
}

// The one operation of `operations`, failing the test when there are more or none.
inline RecordingSurface::Operation only(const std::vector<RecordingSurface::Operation>& operations,
                                        const char* what) {
    EXPECT_EQ(operations.size(), 1u) << what;
    return operations.empty() ? RecordingSurface::Operation{} : operations.front();
}

// Counts painted pixels in `area` (pixel columns and rows, bottom-left origin).
inline int paintedPixels(const Bitmap& bitmap, int x0, int y0, int x1, int y1,
                         const std::function<bool(int, int)>& skip = {}) {
    int painted = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            if (!(skip && skip(x, y)) && bitmap.pixel(x, y).alpha != 0)
                ++painted;
    return painted;
}

// Paints a width-16 border round a 140 × 110 window, with square and with
// rounded corners, and expects the ring covered and nothing painted inside
// the window or outside the outer rectangle.
inline void expectPaintStaysInTheRing(Outfit outfit, ClothVariant variant, bool dark) {
    for (double radius : {0.0, 10.0}) {
        SCOPED_TRACE(testing::Message() << outfit.rawValue() << " variant " << variant.rawValue()
                                        << (dark ? " dark" : " light") << " radius " << radius);
        Bitmap bitmap(220, 180);
        const Rect window{40, 30, 140, 110};
        PatternRenderer::draw(bitmap.surface(), window,
                              {outfit, variant, 16, 1, std::nullopt, dark, radius});
        // Inside the window's own (rounded) shape nothing is touched; the
        // little squares at its rounded corners belong to the ring.
        const int r = static_cast<int>(radius);
        auto inCornerSquare = [&](int x, int y) {
            const bool left = x < 40 + r, right = x >= 180 - r;
            const bool bottom = y < 30 + r, top = y >= 140 - r;
            return (left || right) && (bottom || top);
        };
        EXPECT_EQ(paintedPixels(bitmap, 40, 30, 180, 140, inCornerSquare), 0);
        // Outside O = (24, 14, 172, 142) nothing at all.
        auto insideOuter = [](int x, int y) { return x >= 24 && x < 196 && y >= 14 && y < 156; };
        EXPECT_EQ(paintedPixels(bitmap, 0, 0, 220, 180, insideOuter), 0);
        // The ring itself is covered.
        EXPECT_EQ(bitmap.pixel(100, 20).alpha, 255);
        EXPECT_EQ(bitmap.pixel(30, 80).alpha, 255);
    }
}

} // namespace garbello
