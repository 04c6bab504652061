#pragma once

#include "draw/drawing_surface.h"
#include "model/cloth_variant.h"
#include "model/outfit.h"
#include "render/cloth.h"
#include "render/palette.h"

namespace garbello::cloth {

// One strip of a non-classic variant, in that variant's palette. Never called
// with `classic`.
void variantCloth(DrawingSurface& surface, const Strip& strip, Outfit outfit, ClothVariant variant,
                  const Palette& palette);

// The length along the strip after which a variant's motif repeats: 1.1, 1.6
// or 2.1 border widths (cycling with the variant's position), times the
// pattern scale, and never under 8 points so small borders stay legible.
double variantTilePeriod(ClothVariant variant, double width, double scale);

} // namespace garbello::cloth
