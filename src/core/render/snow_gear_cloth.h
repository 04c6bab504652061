#pragma once

#include "draw/drawing_surface.h"
#include "render/cloth.h"
#include "render/palette.h"

#include <cmath>

namespace garbello::cloth {

// A six-armed snowflake of radius `radius` centred on `center`, in `ink`.
void snowflake(DrawingSurface& surface, Point center, double radius, const Ink& ink);

// The classic snow gear strip: quilted baffles, a stripe band with
// snowflakes and diamonds, an outer trim and a fleece speckle. A variant that
// covers the strip with opaque ground from `shown` inwards leaves only what
// lies nearer the outer edge to be painted.
void snowGear(DrawingSurface& surface, const Strip& strip, const Palette& palette,
              double shown = INFINITY);

} // namespace garbello::cloth
