#pragma once

#include "draw/drawing_surface.h"
#include "render/cloth.h"
#include "render/palette.h"

namespace garbello::cloth {

// The classic sweater strip: rows of knitted V stitches, every third row in
// the light yarn.
void sweater(DrawingSurface& surface, const Strip& strip, const Palette& palette);

// The knitting alone, over the ground, for x from `from` to `to`: the stitches
// that reach that range, at most a stitch beyond it.
void knit(DrawingSurface& surface, const Strip& strip, const Palette& palette, double from,
          double to);
// The whole number of points the knitting repeats in; 0 when none is short.
double knitRepeat(const Strip& strip);

} // namespace garbello::cloth
