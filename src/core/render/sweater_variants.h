#pragma once

#include "draw/drawing_surface.h"
#include "model/cloth_variant.h"
#include "render/cloth.h"
#include "render/palette.h"

namespace garbello::cloth {

// A non-classic sweater strip: the knitting redrawn at a variant scale with
// one motif per tile on top (cables, argyle, Fair Isle, rib, herringbone,
// moss, stripes, honeycomb).
void sweaterVariant(DrawingSurface& surface, const Strip& strip, ClothVariant variant,
                    const Palette& palette);

} // namespace garbello::cloth
