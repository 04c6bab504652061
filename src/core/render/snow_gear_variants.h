#pragma once

#include "draw/drawing_surface.h"
#include "model/cloth_variant.h"
#include "render/cloth.h"
#include "render/palette.h"

namespace garbello::cloth {

// One strip of a non-classic snow gear variant: the classic snow gear at a
// variant's own scale, then a knitted band or a row of tiles laid over it.
void snowGearVariant(DrawingSurface& surface, const Strip& strip, ClothVariant variant,
                     const Palette& palette);

} // namespace garbello::cloth
