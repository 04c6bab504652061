#include "render/application_tint.h"

#include <algorithm>

namespace garbello {

namespace {

// Pixels at most this opaque, or at most this far from grey, say nothing of
// the application's colour.
constexpr double kMinimumAlpha = 0.5;
constexpr double kMinimumChroma = 0.12;
// The average is pulled towards the middle so that no border shouts.
constexpr double kTintFloor = 0.15;
constexpr double kTintRange = 0.75;
const Color kFallbackTint = Color::rgb(0.4, 0.53, 0.6);

} // namespace

Color applicationTint(const Image& icon) {
    Bitmap bitmap(kTintSampleSide, kTintSampleSide);
    bitmap.drawScaledToFit(icon);
    double total = 0, red = 0, green = 0, blue = 0;
    for (int y = 0; y < kTintSampleSide; ++y)
        for (int x = 0; x < kTintSampleSide; ++x) {
            const Pixel pixel = bitmap.pixel(x, y);
            const double alpha = pixel.alpha / 255.0;
            if (alpha <= kMinimumAlpha)
                continue;
            const double r = pixel.red / (alpha * 255), g = pixel.green / (alpha * 255),
                         b = pixel.blue / (alpha * 255);
            const double chroma = std::max({r, g, b}) - std::min({r, g, b});
            if (chroma <= kMinimumChroma)
                continue;
            const double weight = alpha * chroma;
            total += weight;
            red += r * weight;
            green += g * weight;
            blue += b * weight;
        }
    if (total <= 0)
        return kFallbackTint;
    return Color::rgb(kTintFloor + kTintRange * red / total,
                      kTintFloor + kTintRange * green / total,
                      kTintFloor + kTintRange * blue / total);
}

} // namespace garbello
