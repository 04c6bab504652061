#pragma once

#include "draw/drawing_surface.h"
#include "render/cloth.h"
#include "render/palette.h"

#include <cmath>

namespace garbello::cloth {

// A six-armed snowflake of radius `radius` centred on `center`, in `ink`.
void snowflake(DrawingSurface& surface, Point center, double radius, const Ink& ink);

// The rows of a strip, from `from` to `to` across it, that a variant paints
// over with opaque ink once the classic layer is laid; `to` at the strip's
// width or beyond stands for its inner edge.
struct Cover {
    double from = INFINITY;
    double to = INFINITY;
};

// The classic snow gear strip: quilted baffles, a stripe band with
// snowflakes and diamonds, an outer trim and a fleece speckle. What lies
// wholly under `cover` is left out where that changes no pixel.
void snowGear(DrawingSurface& surface, const Strip& strip, const Palette& palette,
              Cover cover = {});

} // namespace garbello::cloth
