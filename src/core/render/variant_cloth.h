#pragma once

#include "model/cloth_variant.h"
#include "model/outfit.h"
#include "render/cloth.h"
#include "render/drawing_surface.h"
#include "render/palette.h"

namespace garbello::cloth {

// One strip of a non-classic variant, in that variant's palette. Never called
// with `classic`.
void variantCloth(DrawingSurface& surface, const Strip& strip, Outfit outfit, ClothVariant variant,
                  const Palette& palette);

// The length along the strip after which a variant's motif repeats: one of
// three tile sizes by the variant's position, never below 8 points.
double variantTilePeriod(ClothVariant variant, double width, double scale);

} // namespace garbello::cloth
