#pragma once

#include "draw/bitmap.h"
#include "draw/drawing_surface.h"
#include "draw/ink.h"
#include "model/cloth_variant.h"
#include "model/geometry.h"
#include "model/outfit.h"
#include "render/ring_style.h"

#include <optional>
#include <string>
#include <string_view>

namespace garbello::PatternRenderer {

// Paints a complete border (cloth, seams, corner pieces, edge lines) of
// `style` into the ring around `window` on `surface`. The pattern scale is
// clamped to 0.5…3 (1 when not finite); the tint, when given, colours the
// cloth. Nothing is painted when the width is not a finite positive number,
// the corner radius is not finite, or the window has no area. The surface's
// transform and clip are the same on return; nothing is kept between calls.
void draw(DrawingSurface& surface, const Rect& window, const RingStyle& style);

// The ring of `style` around a window of `windowSize`, on a transparent
// canvas of the window grown by the ring's width on every side, with the
// window itself left clear. Throws RenderError as png does.
Image ring(Size windowSize, const RingStyle& style);

// A PNG of a window of `windowSize` dressed in its border (and, with
// `sampleContent`, a mock window inside). Throws RenderError: invalidDimensions
// for a window size that is not finite and positive, a non-finite width or
// corner radius, or a canvas side over 8192 pixels; bitmapCreation and
// pngEncoding when the bitmap or its encoding fails. `compression` only
// trades time for file size; the pixels are the same.
std::string png(Size windowSize, const RingStyle& style, bool sampleContent,
                Bitmap::Compression compression = Bitmap::Compression::compact);

// Writes "[renderer] " and `message` as one line on standard error, for the
// offscreen tools to say what they are doing without touching their output.
void diagnostic(std::string_view message);

// The largest canvas side png accepts.
inline constexpr double kMaximumCanvasSide = 8192;

} // namespace garbello::PatternRenderer
