#include "render/pattern_renderer.h"

#include "draw/bitmap.h"
#include "draw/render_error.h"
#include "render/border_geometry.h"
#include "render/classic_cloth.h"
#include "render/corner_pieces.h"
#include "render/palette.h"
#include "render/sample_window.h"
#include "render/variant_cloth.h"

#include <algorithm>
#include <cmath>
#include <iostream>
#include <memory>
#include <numbers>

namespace garbello::PatternRenderer {
namespace {

constexpr double pi = std::numbers::pi;

double effectiveScale(double scale) {
    return std::isfinite(scale) ? std::clamp(scale, 0.5, 3.0) : 1.0;
}

// Everything one border draw needs besides the surface.
struct Border {
    Rect window;
    Rect outer;
    double width;      // w
    double radius;     // r, the clamped inner corner radius
    double cornerSize; // k = w + r, where the straight strips stop
    double scale;
    Outfit outfit;
    ClothVariant variant;
    Palette palette;
};

void seamBand(DrawingSurface& surface, const Border& border, double x0, double e) {
    const double w = border.width;
    const Palette& palette = border.palette;
    surface.fillRect({x0, 0, e, w}, mix(palette.ground, palette.light, 0.08));
    const double dash = std::max(0.055 * w, 0.8);
    surface.strokeLine({x0 + e / 2, 0.16 * w}, {x0 + e / 2, 0.84 * w}, palette.light.withAlpha(0.8),
                       StrokeStyle::dashed(std::max(0.035 * w, 0.5), dash, dash));
    if (border.outfit == Outfit::linen && border.variant == ClothVariant::seventh)
        surface.fillRect({x0, 0.8 * w, e, 0.12 * w}, palette.detail);
    if (border.outfit == Outfit::linen && border.variant == ClothVariant::tenth) {
        Path rails;
        rails.addLine({x0, 0.2 * w}, {x0 + e, 0.2 * w}).addLine({x0, 0.8 * w}, {x0 + e, 0.8 * w});
        surface.stroke(rails, palette.feature, StrokeStyle::rounded(1.0));
    }
}

// One straight strip in its own frame (x along the edge, y from the outer
// edge inwards), already clipped to (0, 0, length, w). The strip rectangle lies
// wholly inside the ring, so that is the only clip it needs; its own ground
// makes it opaque, so a surface may copy it to the opposite edge.
void strip(DrawingSurface& surface, const Border& border, double length) {
    const double w = border.width;
    surface.fillRect({0, 0, length, w}, border.palette.ground);
    const double e = std::min(0.34 * w, length / 3); // seam band length
    {
        SavedState saved(surface);
        surface.clipToRect({e, 0, std::max(0.0, length - 2 * e), w});
        const Strip cloth{length, w, border.scale};
        if (border.variant == ClothVariant::classic)
            cloth::classicCloth(surface, cloth, border.outfit, border.palette);
        else
            cloth::variantCloth(surface, cloth, border.outfit, border.variant, border.palette);
    }
    seamBand(surface, border, 0, e);
    seamBand(surface, border, length - e, e);
}

// Opposite strips have the same length and cloth: bottom and top, then left
// and right, each pair counter-clockwise around the window.
void strips(DrawingSurface& surface, const Border& border) {
    const Rect& O = border.outer;
    const double k = border.cornerSize, w = border.width;
    const double horizontal = O.width - 2 * k, vertical = O.height - 2 * k;
    const Frame bottomAndTop[] = {{{O.minX() + k, O.minY()}, 0}, {{O.maxX() - k, O.maxY()}, pi}};
    const Frame leftAndRight[] = {{{O.minX(), O.maxY() - k}, -pi / 2},
                                  {{O.maxX(), O.minY() + k}, pi / 2}};
    if (horizontal > 0)
        surface.drawInFrames(bottomAndTop, {horizontal, w},
                             [&](DrawingSurface& s) { strip(s, border, horizontal); });
    if (vertical > 0)
        surface.drawInFrames(leftAndRight, {vertical, w},
                             [&](DrawingSurface& s) { strip(s, border, vertical); });
}

// The lines run round the whole ring under its clip, so they are stroked
// within the ring rather than over the window they surround.
void edgeLines(DrawingSurface& surface, const Border& border, const Path& ring) {
    const double w = border.width, r = border.radius, k = border.cornerSize;
    const Rect& O = border.outer;
    const Palette& palette = border.palette;
    const Ink stitchInk = palette.light.withAlpha(border.outfit == Outfit::linen ? 0.55 : 0.65);
    const StrokeStyle stitch = StrokeStyle::rounded(std::max(0.035 * w, 0.45));
    const StrokeStyle hairline = StrokeStyle::rounded(0.7);
    // Each line runs this far in from the outer edge; the last one 0.4 out
    // from the window.
    const double insets[] = {0.13 * w, 0.87 * w, 0.5, w - 0.4};
    const DrawingSurface::Stroke lines[] = {
        {roundedRectPath(O.insetBy(insets[0], insets[0]), k - insets[0]), stitchInk, stitch},
        {roundedRectPath(O.insetBy(insets[1], insets[1]), k - insets[1]), stitchInk, stitch},
        {roundedRectPath(O.insetBy(insets[2], insets[2]), w + std::max(0.0, r - 0.5)),
         palette.light.withAlpha(0.45), hairline},
        {roundedRectPath(border.window.insetBy(-0.4, -0.4), r + 0.4),
         palette.shadow.withAlpha(0.42), hairline}};
    // On a narrow ring the hairlines reach past its edges, and the clip
    // trims them there.
    bool inside = true;
    for (std::size_t i = 0; i < std::size(lines); ++i)
        inside = inside && insets[i] - lines[i].style.width / 2 >= 0 &&
                 insets[i] + lines[i].style.width / 2 <= w;
    surface.strokeRing({O, w, k, ring, inside}, lines);
}

} // namespace

void draw(DrawingSurface& surface, const Rect& window, const RingStyle& style) {
    const double width = style.width;
    if (!BorderGeometry::hasRing(window, width, style.cornerRadius))
        return;
    const double r = BorderGeometry::innerCornerRadius(window, style.cornerRadius);
    const Border border{window,
                        BorderGeometry::outerRect(window, width),
                        width,
                        r,
                        width + r,
                        effectiveScale(style.scale),
                        style.outfit,
                        style.variant,
                        Palette::make(style.outfit, style.dark, style.tint, style.variant)};
    const Path ring = BorderGeometry::ring(window, width, style.cornerRadius);

    // The curved ring clip is costly for every small stroke, so it is in force
    // only for the ground, the corners and the edge lines; the straight strips
    // clip to their own rectangles, which lie inside the ring.
    {
        SavedState saved(surface);
        surface.clip(ring, FillRule::evenOdd);
        surface.fillRect(border.outer, border.palette.ground);
    }
    strips(surface, border);
    {
        SavedState saved(surface);
        surface.clip(ring, FillRule::evenOdd);
        cloth::corners(surface, window, width, r, style.outfit, style.variant, border.palette);
    }
    edgeLines(surface, border, ring);
}

namespace {

// A bitmap of the window grown by the ring's width, the window (with the mock
// content when asked) and its ring drawn in.
std::unique_ptr<Bitmap> dressedWindow(Size windowSize, const RingStyle& style, bool sampleContent) {
    const auto positiveFinite = [](double v) { return std::isfinite(v) && v > 0; };
    if (!positiveFinite(windowSize.width) || !positiveFinite(windowSize.height) ||
        !std::isfinite(style.width) || !std::isfinite(style.cornerRadius))
        throw RenderError(RenderError::Kind::invalidDimensions);
    const double b = std::max(0.0, style.width);
    const Size canvas{windowSize.width + 2 * b, windowSize.height + 2 * b};
    if (canvas.width > kMaximumCanvasSide || canvas.height > kMaximumCanvasSide)
        throw RenderError(RenderError::Kind::invalidDimensions);

    auto bitmap = std::make_unique<Bitmap>(static_cast<int>(std::ceil(canvas.width)),
                                           static_cast<int>(std::ceil(canvas.height)));
    const Rect window{b, b, windowSize.width, windowSize.height};
    if (sampleContent)
        sampleWindow(bitmap->surface(), window, style.dark, 0);
    RingStyle drawn = style;
    drawn.width = b;
    draw(bitmap->surface(), window, drawn);
    return bitmap;
}

} // namespace

Image ring(Size windowSize, const RingStyle& style) {
    return dressedWindow(windowSize, style, false)->toImage();
}

std::string png(Size windowSize, const RingStyle& style, bool sampleContent,
                Bitmap::Compression compression) {
    return dressedWindow(windowSize, style, sampleContent)->encodePNG(compression);
}

void diagnostic(std::string_view message) {
    std::cerr << "[renderer] " << message << '\n' << std::flush;
}

} // namespace garbello::PatternRenderer
