#pragma once

#include "draw/drawing_surface.h"
#include "render/cloth.h"
#include "render/palette.h"

namespace garbello::cloth {

// One five-petalled flower of radius `radius` centred on the origin.
void hibiscus(DrawingSurface& surface, double radius, const Palette& palette);
// One palm spray of length `length` centred on the origin, stem roughly along x.
void palm(DrawingSurface& surface, double length, const Palette& palette);
// One open frond of length `length` centred on the origin, stem along x.
void openFrond(DrawingSurface& surface, double length, const Palette& palette);

// The classic hawaiian strip: hibiscus, palm sprays and cream dots.
void hawaiian(DrawingSurface& surface, const Strip& strip, const Palette& palette);

} // namespace garbello::cloth
