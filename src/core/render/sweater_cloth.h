#pragma once

#include "draw/drawing_surface.h"
#include "render/cloth.h"
#include "render/palette.h"

namespace garbello::cloth {

// The classic sweater strip: rows of knitted V stitches, every third row in
// the light yarn.
void sweater(DrawingSurface& surface, const Strip& strip, const Palette& palette);

} // namespace garbello::cloth
