#pragma once

#include "draw/drawing_surface.h"
#include "model/cloth_variant.h"
#include "render/cloth.h"
#include "render/palette.h"

namespace garbello::cloth {

// One strip of a non-classic rain jacket variant: chevrons over a finer
// classic jacket for `second`, otherwise a stitched strip with its own trim.
void rainJacketVariant(DrawingSurface& surface, const Strip& strip, ClothVariant variant,
                       const Palette& palette);

} // namespace garbello::cloth
