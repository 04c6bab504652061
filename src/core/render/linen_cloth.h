#pragma once

#include "draw/drawing_surface.h"
#include "render/cloth.h"
#include "render/palette.h"

namespace garbello::cloth {

// The classic linen strip: a plain weave with slubs and a hem band with a
// running stitch.
void linen(DrawingSurface& surface, const Strip& strip, const Palette& palette);

} // namespace garbello::cloth
