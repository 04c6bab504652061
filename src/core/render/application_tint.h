#pragma once

#include "draw/bitmap.h"
#include "draw/ink.h"

namespace garbello {

// The side of the square an application icon is reduced to before its
// colour is averaged: enough to find its hue, cheap enough for every
// application.
inline constexpr int kTintSampleSide = 12;

// The colour that tints an application's borders: a muted average of the
// saturated, mostly opaque pixels of its icon reduced to 12 × 12, or a
// blue-grey when the icon has none (grey or transparent icons).
Color applicationTint(const Image& icon);

} // namespace garbello
