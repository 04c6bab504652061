#pragma once

#include "draw/drawing_surface.h"
#include "model/cloth_variant.h"
#include "model/geometry.h"
#include "model/outfit.h"
#include "render/palette.h"

namespace garbello::cloth {

// Dresses the four quarter rings the straight strips leave at the corners,
// between radius `radius` and `width` + `radius` about the window's corner
// centres: each gets the ground, a row of small motifs along its middle arc
// and a seam mark at both ends. Called inside the ring clip, in the caller's
// frame.
void corners(DrawingSurface& surface, const Rect& window, double width, double radius,
             Outfit outfit, ClothVariant variant, const Palette& palette);

// How many motifs one corner piece carries along its middle arc: as many as
// fit at the outfit's spacing, but a single one when fewer than two fit
// (and never more than 1024, however thin the border).
int cornerMotifCount(Outfit outfit, double width, double radius);

} // namespace garbello::cloth
