#pragma once

#include "draw/drawing_surface.h"
#include "model/geometry.h"

namespace garbello {

// Paints a mock application window (title bar, window buttons, a heading, a
// body line and placeholder text) into `rect`, light or dark. `textSet` picks
// one of three sets of texts by its remainder modulo 3.
void sampleWindow(DrawingSurface& surface, const Rect& rect, bool dark, int textSet);

} // namespace garbello
