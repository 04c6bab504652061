#pragma once

#include "draw/bitmap.h"
#include "draw/drawing_surface.h"
#include "draw/ink.h"
#include "model/cloth_variant.h"
#include "model/geometry.h"
#include "model/outfit.h"

#include <optional>
#include <string>
#include <string_view>

namespace garbello::PatternRenderer {

// Paints a complete border (cloth, seams, corner pieces, edge lines) into the
// ring of `width` around `window` on `surface`. `scale` is the pattern scale
// (clamped to 0.5…3, 1 when not finite); `color` is the application tint.
// Nothing is painted when the width is not a finite positive number, the
// corner radius is not finite, or the window has no area. The surface's
// transform and clip are the same on return; nothing is kept between calls.
void draw(DrawingSurface& surface, const Rect& window, Outfit outfit, double width, double scale,
          const std::optional<Color>& color, bool dark, ClothVariant variant, double cornerRadius);

// A PNG of a window of `windowSize` dressed in its border (and, with
// `sampleContent`, a mock window inside). Throws RenderError: invalidDimensions
// for a window size that is not finite and positive, a non-finite width or
// corner radius, or a canvas side over 8192 pixels; bitmapCreation and
// pngEncoding when the bitmap or its encoding fails. `compression` only
// trades time for file size; the pixels are the same.
std::string png(Size windowSize, Outfit outfit, double width, double scale, bool dark,
                const std::optional<Color>& color, bool sampleContent, ClothVariant variant,
                double cornerRadius,
                Bitmap::Compression compression = Bitmap::Compression::compact);

// Writes "[renderer] " and `message` as one line on standard error, for the
// offscreen tools to say what they are doing without touching their output.
void diagnostic(std::string_view message);

// The largest canvas side png accepts.
inline constexpr double kMaximumCanvasSide = 8192;

} // namespace garbello::PatternRenderer
