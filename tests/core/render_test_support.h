#pragma once

#include "draw/bitmap.h"
#include "draw/recording_surface.h"
#include "render/palette.h"
#include "render/pattern_renderer.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>

namespace garbello {

using Operation = RecordingSurface::Operation;
using Kind = RecordingSurface::Kind;

inline Palette paletteFor(Outfit outfit, ClothVariant variant = ClothVariant::classic,
                          bool dark = false) {
    return Palette::make(outfit, dark, std::nullopt, variant);
}

inline std::string clothName(Outfit outfit, ClothVariant variant) {
    return std::string(outfit.rawValue()) + " variant " + std::to_string(variant.rawValue());
}

// The whole border of one cloth round `window`, untinted.
inline void drawBorder(DrawingSurface& surface, const Rect& window, Outfit outfit,
                       ClothVariant variant = ClothVariant::classic, double width = 16,
                       double scale = 1, bool dark = false, double cornerRadius = 10) {
    PatternRenderer::draw(surface, window,
                          {outfit, variant, width, scale, std::nullopt, dark, cornerRadius});
}

// Counts painted pixels in `area` (pixel columns and rows, bottom-left origin).
inline int paintedPixels(const Bitmap& bitmap, int x0, int y0, int x1, int y1,
                         const std::function<bool(int, int)>& skip = {}) {
    int painted = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            if (!(skip && skip(x, y)) && bitmap.pixel(x, y).alpha != 0)
                ++painted;
    return painted;
}

// Pixels that differ between two bitmaps of the same size by more than
// `tolerance` in some channel.
inline int differingPixels(const Bitmap& a, const Bitmap& b, int tolerance = 0) {
    int differing = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const Pixel p = a.pixel(x, y), q = b.pixel(x, y);
            const int apart = std::max({std::abs(p.alpha - q.alpha), std::abs(p.red - q.red),
                                        std::abs(p.green - q.green), std::abs(p.blue - q.blue)});
            differing += apart > tolerance;
        }
    return differing;
}

// FNV-1a (64 bits) of every pixel's alpha, red, green and blue, row by row.
inline std::uint64_t pixelDigest(const Bitmap& bitmap) {
    std::uint64_t hash = 0xcbf29ce484222325u;
    for (int y = 0; y < bitmap.height(); ++y)
        for (int x = 0; x < bitmap.width(); ++x) {
            const Pixel p = bitmap.pixel(x, y);
            for (int byte : {p.alpha, p.red, p.green, p.blue})
                hash = (hash ^ static_cast<std::uint8_t>(byte)) * 0x100000001b3u;
        }
    return hash;
}

} // namespace garbello
