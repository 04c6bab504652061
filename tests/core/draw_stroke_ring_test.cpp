#include "draw/bitmap.h"
#include "draw/cairo_surface.h"
#include "render/border_geometry.h"
#include "render_test_support.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <numbers>

namespace garbello {
namespace {

// Translucent outlines round a ring, two of them crossing, under the ring's
// clip: laid through a mask on the ring alone, from a shortened ring whose
// sides are stretched back or from the whole one, they must give the exact
// pixels of stroking each in turn. Shortening takes whole pixels and solid
// lines; moved by fractions, or with a dashed outline, the whole ring is
// stroked. Strokes said to lie inside the ring come out the same.
TEST(StrokeRingTest, GivesThePixelsOfStrokingEachInTurn) {
    struct Case {
        const char* name;
        Rect window;
        double scale, dx, dy;
        bool quarterTurn;
        bool dashed;
        bool subsurface; // drawn through a subsurface at (13, 7) of the bitmap
        bool inside;     // told that the strokes lie within the ring
    };
    const double w = 12, r = 8, k = w + r;
    const auto draw = [&](CairoSurface& s, const Case& c, bool asRing) {
        const Rect O = c.window.insetBy(-w, -w);
        const DrawingSurface::Stroke strokes[] = {
            {roundedRectPath(O.insetBy(2, 2), k - 2), Ink::hex(0xf0e0c0).withAlpha(0.65),
             StrokeStyle::rounded(0.6)},
            {roundedRectPath(O.insetBy(2.3, 1.6), k - 1), Ink::hex(0x203040).withAlpha(0.5),
             c.dashed ? StrokeStyle::dashed(1.5, 3, 2) : StrokeStyle::rounded(1.5)},
            {roundedRectPath(c.window.insetBy(-0.4, -0.4), r + 0.4),
             Ink::hex(0x101010).withAlpha(0.42), StrokeStyle::rounded(0.7)}};
        s.scale(c.scale, c.scale);
        s.translate(c.dx, c.dy);
        if (c.quarterTurn) {
            s.translate(300, 0);
            s.rotate(std::numbers::pi / 2);
        }
        const Path ring = BorderGeometry::ring(c.window, w, r);
        SavedState saved(s);
        s.clip(ring, FillRule::evenOdd);
        s.fillRect(O, Ink::hex(0x557799));
        if (asRing) {
            s.restore();
            s.strokeRing({O, w, k, ring, c.inside}, strokes);
            s.save();
            return;
        }
        for (const DrawingSurface::Stroke& each : strokes)
            s.stroke(each.path, each.ink, each.style);
    };
    const Rect small{20, 20, 160, 100}, large{20, 20, 300, 230}, off{20.3, 19.6, 171.7, 93.2};
    for (const Case& c : {
             Case{"shortened", large, 1, 0, 0, false, false, false, false},
             Case{"shortened, inside", large, 1, 0, 0, false, false, false, true},
             Case{"shortened, two pixels per point", small, 2, 0, 0, false, false, false, true},
             Case{"shortened, turned a quarter", large, 1, 0, 0, true, false, false, true},
             Case{"shortened, off the pixel grid", off, 1, 0, 0, false, false, false, true},
             Case{"shortened, in a subsurface", large, 1, 3, 1, false, false, true, false},
             Case{"moved by fractions", small, 1, 0.3, 0.7, false, false, false, true},
             Case{"dashed, in a subsurface", small, 1, 0.5, 0, false, true, true, true},
         }) {
        SCOPED_TRACE(c.name);
        Bitmap masked(420, 320), stroked(420, 320);
        for (Bitmap* bitmap : {&masked, &stroked}) {
            cairo_surface_t* target =
                c.subsurface ? cairo_surface_create_for_rectangle(bitmap->image(), 13, 7, 400, 310)
                             : cairo_surface_reference(bitmap->image());
            cairo_t* context = cairo_create(target);
            cairo_translate(context, 0, 310);
            cairo_scale(context, 1, -1);
            CairoSurface surface(context);
            draw(surface, c, bitmap == &masked);
            cairo_destroy(context);
            cairo_surface_destroy(target);
            cairo_surface_flush(bitmap->image());
        }
        EXPECT_EQ(differingPixels(masked, stroked), 0);
        EXPECT_GT(paintedPixels(masked, 0, 0, 420, 320), 0);
    }
}

} // namespace
} // namespace garbello
