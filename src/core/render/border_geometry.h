#pragma once

#include "draw/path.h"
#include "model/geometry.h"

namespace garbello::BorderGeometry {

// The rectangle a border panel covers: `window` grown by `width` on every
// side; a negative or non-finite width leaves the window unchanged.
Rect outerRect(const Rect& window, double width);

// Whether a ring can be built at all: a finite positive width, a finite corner
// radius and a finite window with positive width and height.
bool hasRing(const Rect& window, double width, double cornerRadius);

// The ring's inner corner radius: `cornerRadius` limited to half the shorter
// window side, and never negative.
double innerCornerRadius(const Rect& window, double cornerRadius);

// Two concentric rounded rectangles (the outer one with corner radius
// r + width) meant to be filled or clipped with the even-odd rule; empty when
// hasRing is false.
Path ring(const Rect& window, double width, double cornerRadius);

} // namespace garbello::BorderGeometry
