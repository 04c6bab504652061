#pragma once

#include "draw/drawing_surface.h"
#include "model/cloth_variant.h"
#include "render/cloth.h"
#include "render/palette.h"

namespace garbello::cloth {

// One strip of a non-classic hawaiian variant: a motif repeated on the
// variant's tile grid over the bare ground (no classic layer underneath).
void hawaiianVariant(DrawingSurface& surface, const Strip& strip, ClothVariant variant,
                     const Palette& palette);

} // namespace garbello::cloth
