#pragma once

#include "draw/drawing_surface.h"
#include "render/cloth.h"
#include "render/palette.h"

namespace garbello::cloth {

// The classic rain jacket strip: reflective band, two stitched seams, a zip
// with teeth and a row of press-stud tabs.
void rainJacket(DrawingSurface& surface, const Strip& strip, const Palette& palette);

} // namespace garbello::cloth
