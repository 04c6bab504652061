#include "draw/bitmap.h"
#include "draw/cairo_surface.h"
#include "render/border_geometry.h"

#include <cairo.h>
#include <gtest/gtest.h>

namespace garbello {
namespace {

// Translucent outlines round a ring, two of them crossing, under the ring's
// clip: laid through a mask on the ring's cover they must give the exact
// pixels of stroking each in turn, moved by fractions of a pixel, at two
// pixels per point, and on a window into a larger surface.
TEST(StrokeWithinTest, GivesThePixelsOfStrokingEachInTurn) {
    struct Case {
        const char* name;
        double scale, dx, dy;
        bool window; // drawn through a subsurface at (13, 7) of the bitmap
    };
    const Rect window{20, 20, 160, 100};
    const double w = 12, k = w + 8;
    const Rect O = window.insetBy(-w, -w);
    const Rect cover[] = {{O.minX(), O.minY(), O.width, k},
                          {O.minX(), O.maxY() - k, O.width, k},
                          {O.minX(), O.minY() + k, k, O.height - 2 * k},
                          {O.maxX() - k, O.minY() + k, k, O.height - 2 * k}};
    const DrawingSurface::Stroke strokes[] = {
        {roundedRectPath(O.insetBy(2, 2), k - 2), Ink::hex(0xf0e0c0).withAlpha(0.65),
         StrokeStyle::rounded(0.6)},
        {roundedRectPath(O.insetBy(2.3, 1.6), k - 1), Ink::hex(0x203040).withAlpha(0.5),
         StrokeStyle::dashed(1.5, 3, 2)},
        {roundedRectPath(window.insetBy(-0.4, -0.4), 8.4), Ink::hex(0x101010).withAlpha(0.42),
         StrokeStyle::rounded(0.7)}};
    const auto draw = [&](CairoSurface& s, const Case& c, bool masked) {
        s.scale(c.scale, c.scale);
        s.translate(c.dx, c.dy);
        s.clip(BorderGeometry::ring(window, w, 8), FillRule::evenOdd);
        s.fillRect(O, Ink::hex(0x557799));
        if (masked)
            s.strokeWithin(strokes, cover);
        else
            for (const DrawingSurface::Stroke& each : strokes)
                s.stroke(each.path, each.ink, each.style);
    };
    for (const Case& c : {Case{"in place", 1, 0, 0, false}, Case{"moved", 1, 0.3, 0.7, false},
                          Case{"two pixels per point", 2, 0, 0, false},
                          Case{"window into a surface", 1, 0.5, 0, true}}) {
        SCOPED_TRACE(c.name);
        Bitmap masked(420, 300), stroked(420, 300);
        for (Bitmap* bitmap : {&masked, &stroked}) {
            cairo_surface_t* target =
                c.window ? cairo_surface_create_for_rectangle(bitmap->image(), 13, 7, 400, 290)
                         : cairo_surface_reference(bitmap->image());
            cairo_t* context = cairo_create(target);
            cairo_translate(context, 0, 290);
            cairo_scale(context, 1, -1);
            CairoSurface surface(context);
            draw(surface, c, bitmap == &masked);
            cairo_destroy(context);
            cairo_surface_destroy(target);
            cairo_surface_flush(bitmap->image());
        }
        int differing = 0;
        for (int y = 0; y < 300; ++y)
            for (int x = 0; x < 420; ++x)
                differing += !(masked.pixel(x, y) == stroked.pixel(x, y));
        EXPECT_EQ(differing, 0);
    }
}

} // namespace
} // namespace garbello
