#pragma once

#include "draw/drawing_surface.h"
#include "model/cloth_variant.h"
#include "render/cloth.h"
#include "render/palette.h"

namespace garbello::cloth {

// A non-classic linen strip: the plain weave with one woven-in motif per tile
// on top (ticking, windowpane, gingham, herringbone, dots, selvedge,
// crosshatch, checks, ladder).
void linenVariant(DrawingSurface& surface, const Strip& strip, ClothVariant variant,
                  const Palette& palette);

} // namespace garbello::cloth
