#pragma once

#include "model/cloth_variant.h"
#include "model/geometry.h"
#include "model/outfit.h"
#include "render/drawing_surface.h"
#include "render/palette.h"

namespace garbello::cloth {

// Dresses the four quarter rings the straight strips leave at the corners,
// between radius `radius` and `width` + `radius` about the window's corner
// centres. Called inside the ring clip, in the caller's frame.
void corners(DrawingSurface& surface, const Rect& window, double width, double radius,
             Outfit outfit, ClothVariant variant, const Palette& palette);

} // namespace garbello::cloth
