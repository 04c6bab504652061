#pragma once

#include "draw/drawing_surface.h"
#include "render/cloth.h"
#include "render/palette.h"

namespace garbello::cloth {

// A six-armed snowflake of radius `radius` centred on `center`, in `ink`.
void snowflake(DrawingSurface& surface, Point center, double radius, const Ink& ink);

// The classic snow gear strip: quilted baffles, a stripe band with
// snowflakes and diamonds, an outer trim and a fleece speckle.
void snowGear(DrawingSurface& surface, const Strip& strip, const Palette& palette);

} // namespace garbello::cloth
