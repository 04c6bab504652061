#pragma once

#include "draw/drawing_surface.h"
#include "model/outfit.h"
#include "render/cloth.h"
#include "render/palette.h"

namespace garbello::cloth {

// The outfit's own cloth (the `classic` variant) for one strip.
void classicCloth(DrawingSurface& surface, const Strip& strip, Outfit outfit,
                  const Palette& palette);

} // namespace garbello::cloth
