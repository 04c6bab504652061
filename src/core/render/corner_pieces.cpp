#include "render/corner_pieces.h"

#include "render/hawaiian_cloth.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace garbello::cloth {
namespace {

constexpr double pi = std::numbers::pi;

// Motif spacing along the middle arc, in widths: flowers and fronds need more
// room than the other outfits' small marks.
constexpr double kHawaiianMotifSpacing = 0.95;
constexpr double kMotifSpacing = 0.6;
// Far more motifs than any visible corner holds; a hair-thin border around a
// large corner radius would otherwise ask for billions.
constexpr int kMostMotifs = 1024;
// The seam marks sit this far (radians) inside each end of the quarter ring,
// so the strips' seam bands do not hide them.
constexpr double kSeamMarkInset = 0.025;

// One corner piece in its own frame: the quarter ring lies between the angles
// 0 and π/2 about the origin, between radius r and w + r.
struct Corner {
    DrawingSurface& surface;
    double w;
    double r;
    Outfit outfit;
    ClothVariant variant;
    const Palette& palette;
};

void hawaiianMotif(const Corner& c) {
    DrawingSurface& surface = c.surface;
    const double w = c.w;
    const Palette& p = c.palette;
    switch (c.variant) {
    case ClothVariant::third:
    case ClothVariant::fifth:
    case ClothVariant::eighth:
    case ClothVariant::tenth:
        openFrond(surface, 0.68 * w, p);
        if (c.variant == ClothVariant::tenth)
            hibiscus(surface, 0.19 * w, p);
        return;
    case ClothVariant::classic:
    case ClothVariant::second:
    case ClothVariant::fourth:
    case ClothVariant::seventh:
        hibiscus(surface, (c.variant == ClothVariant::fourth ? 0.34 : 0.29) * w, p);
        return;
    case ClothVariant::sixth: {
        Path waves;
        for (double y : {-0.2 * w, 0.0, 0.2 * w})
            waves.moveTo({-0.28 * w, y})
                .curveTo({0.28 * w, y}, {-0.1 * w, y + 0.25 * w}, {0.1 * w, y - 0.25 * w});
        surface.stroke(waves, p.light, StrokeStyle::rounded(0.055 * w));
        return;
    }
    case ClothVariant::ninth: {
        // The ticks are turned one after another, each by a further π/4.
        Path ticks;
        for (int i = 1; i <= 8; ++i) {
            const double a = i * pi / 4;
            const auto at = [&](double radius) {
                return Point{-radius * std::sin(a), radius * std::cos(a)};
            };
            ticks.addLine(at(0.13 * w), at(0.3 * w));
        }
        surface.stroke(ticks, p.feature, StrokeStyle::rounded(0.055 * w));
        surface.fillDisc({0, 0}, 0.1 * w, p.light);
        return;
    }
    }
}

void rainJacketMotif(const Corner& c, bool middle) {
    const double w = c.w;
    const Palette& p = c.palette;
    c.surface.fill(roundedRectPath({-0.19 * w, -0.27 * w, 0.38 * w, 0.54 * w}, 0.09 * w),
                   p.shadow.withAlpha(0.38));
    c.surface.strokeLine({-0.12 * w, -0.12 * w}, {0.12 * w, -0.12 * w}, p.light,
                         StrokeStyle::rounded(std::max(0.045 * w, 0.6)));
    if (middle) {
        c.surface.fillDisc({0, 0}, 0.09 * w, p.light);
        c.surface.fillDisc({0, 0}, 0.045 * w, p.shadow);
    }
}

Path diamond(double halfWidth, double halfHeight) {
    return Path().addPolygon({{-halfWidth, 0}, {0, halfHeight}, {halfWidth, 0}, {0, -halfHeight}});
}

void snowGearMotif(const Corner& c) {
    const double w = c.w;
    c.surface.fill(diamond(0.25 * w, 0.38 * w), c.palette.shadow.withAlpha(0.65));
    if (c.variant.rawValue() % 2 == 1)
        c.surface.fill(diamond(0.2 * w, 0.3 * w), c.palette.detail);
}

// The V marks of motif `index` are knitted in the second accent on every third
// motif, counted from a start that shifts with the variant.
void sweaterMotif(const Corner& c, int index) {
    const double w = c.w;
    Path marks;
    for (double y0 : {-0.22 * w, 0.0, 0.22 * w})
        marks.addPolyline(
            {{-0.14 * w, y0 + 0.09 * w}, {0, y0 - 0.08 * w}, {0.14 * w, y0 + 0.09 * w}});
    const bool accent = (index + c.variant.rawValue()) % 3 == 0;
    c.surface.stroke(marks, accent ? c.palette.detail : c.palette.light,
                     StrokeStyle::rounded(0.065 * w));
}

void linenMotif(const Corner& c) {
    const double w = c.w;
    const Palette& p = c.palette;
    switch (c.variant) {
    case ClothVariant::second:
    case ClothVariant::seventh: {
        Path bars;
        for (double y : {-0.16 * w, 0.0, 0.16 * w})
            bars.addLine({-0.2 * w, y}, {0.2 * w, y});
        const double width = (c.variant == ClothVariant::seventh ? 0.07 : 0.035) * w;
        c.surface.stroke(bars, p.feature.withAlpha(0.75), StrokeStyle::rounded(width));
        return;
    }
    case ClothVariant::third:
    case ClothVariant::fourth:
    case ClothVariant::ninth: {
        const double side = 0.13 * w;
        Path squares;
        for (double x : {-0.15 * w, 0.15 * w})
            squares.addRect({x - side / 2, -side / 2, side, side});
        c.surface.fill(squares, p.feature.withAlpha(0.6));
        return;
    }
    case ClothVariant::fifth:
    case ClothVariant::eighth:
        c.surface.stroke(
            Path().addPolyline({{-0.22 * w, 0.18 * w}, {0, -0.18 * w}, {0.22 * w, 0.18 * w}}),
            p.feature.withAlpha(0.7), StrokeStyle::rounded(0.045 * w));
        return;
    case ClothVariant::sixth:
        c.surface.fillDisc({0, 0}, 0.09 * w, p.feature);
        return;
    case ClothVariant::classic:
    case ClothVariant::tenth: {
        Path bars;
        for (double y : {-0.22 * w, 0.22 * w})
            bars.addLine({-0.14 * w, y}, {0.14 * w, y});
        c.surface.stroke(bars, p.light, StrokeStyle::rounded(0.045 * w));
        return;
    }
    }
}

// Motif `index` of `count` at the motif origin: x along the arc, y outwards.
void motif(const Corner& c, int index, int count) {
    switch (c.outfit) {
    case Outfit::hawaiian:
        return hawaiianMotif(c);
    case Outfit::rainJacket:
        return rainJacketMotif(c, index == count / 2);
    case Outfit::snowGear:
        return snowGearMotif(c);
    case Outfit::sweater:
        return sweaterMotif(c, index);
    case Outfit::linen:
        return linenMotif(c);
    }
}

// Two diagonal thread sets across the whole piece. A light thread only ever
// crosses dark threads that start to its right, which are drawn after it in
// thread order as well, so each set can be one stroke.
//
// Within the quadrant a dark thread comes no farther from the centre than
// its start on the x axis, so one that ends, cap and all, a point short of
// the inner radius lies wholly in the window's corner, where the ring's clip
// cuts it away: it is left out, which spares cairo sweeping its edges and
// changes no pixel.
void linenWeave(const Corner& c) {
    const double w = c.w, outer = c.w + c.r;
    const double d = std::max(0.12 * w, 1.5); // thread pitch
    const StrokeStyle lightStyle = StrokeStyle::rounded(0.45),
                      darkStyle = StrokeStyle::rounded(0.4);
    Path light, dark;
    for (int j = 0; - w + j * d < outer; ++j) {
        const double t = -w + j * d;
        light.addLine({t, 0}, {t + outer, outer});
        if (t + darkStyle.width / 2 > c.r - 1)
            dark.addLine({t, 0}, {t - outer, outer});
    }
    c.surface.stroke(light, c.palette.light.withAlpha(0.22), lightStyle);
    c.surface.stroke(dark, c.palette.shadow.withAlpha(0.12), darkStyle);
}

// A quarter arc about the corner centre, `fraction` of the width out from
// the inner edge.
void arcAcross(const Corner& c, double fraction, const Ink& ink, double width) {
    c.surface.stroke(Path().addArc({0, 0}, fraction * c.w + c.r, 0, pi / 2), ink,
                     StrokeStyle::rounded(width));
}

void seamMarks(const Corner& c) {
    Path marks;
    for (double angle : {kSeamMarkInset, pi / 2 - kSeamMarkInset}) {
        const Point direction{std::cos(angle), std::sin(angle)};
        const double from = c.r + 0.15 * c.w, to = c.r + 0.85 * c.w;
        marks.addLine({from * direction.x, from * direction.y},
                      {to * direction.x, to * direction.y});
    }
    c.surface.stroke(marks, c.palette.shadow.withAlpha(0.5),
                     StrokeStyle::rounded(std::max(0.035 * c.w, 0.5)));
}

void cornerPiece(const Corner& c, int motifCount) {
    const double outer = c.w + c.r;
    // The ring's clip is in force, so the piece needs only its quadrant.
    // Where the corner square lies on whole pixels a rectangle cuts it as the
    // quarter disc's straight sides do, and cairo clips to a rectangle far
    // more cheaply than to a second curved path; the disc's arc, the same
    // circle as the ring's, moves a pixel by one unit at most.
    const Rect square{0, 0, outer, outer};
    if (c.surface.coversWholePixels(square))
        c.surface.clipToRect(square);
    else
        c.surface.clip(
            Path().moveTo({0, 0}).lineTo({outer, 0}).addArc({0, 0}, outer, 0, pi / 2).close(),
            FillRule::winding);
    c.surface.fillRect({0, 0, outer, outer}, c.palette.ground);
    if (c.outfit == Outfit::linen)
        linenWeave(c);

    const double rho = 0.5 * c.w + c.r; // middle radius
    for (int j = 0; j < motifCount; ++j) {
        const double theta = (j + 0.5) * pi / (2 * motifCount);
        SavedState saved(c.surface);
        c.surface.translate(rho * std::cos(theta), rho * std::sin(theta));
        c.surface.rotate(theta - pi / 2);
        motif(c, j, motifCount);
    }

    if (c.outfit == Outfit::linen && c.variant == ClothVariant::seventh)
        arcAcross(c, 0.14, c.palette.detail, 0.12 * c.w);
    if (c.outfit == Outfit::linen && c.variant == ClothVariant::tenth) {
        arcAcross(c, 0.2, c.palette.feature, 1.0);
        arcAcross(c, 0.8, c.palette.feature, 1.0);
    }
    seamMarks(c);
}

} // namespace

int cornerMotifCount(Outfit outfit, double width, double radius) {
    const double spacing = outfit == Outfit::hawaiian ? kHawaiianMotifSpacing : kMotifSpacing;
    const double fitting = std::floor(pi * (0.5 * width + radius) / (2 * width * spacing));
    if (!(fitting >= 2))
        return 1;
    return fitting > kMostMotifs ? kMostMotifs : static_cast<int>(fitting);
}

void corners(DrawingSurface& surface, const Rect& window, double width, double radius,
             Outfit outfit, ClothVariant variant, const Palette& palette) {
    const double r = radius;
    // Bottom-left, bottom-right, top-right, top-left, each turned so its
    // quarter ring lies between the angles 0 and π/2.
    const Frame frames[] = {{{window.minX() + r, window.minY() + r}, pi},
                            {{window.maxX() - r, window.minY() + r}, -pi / 2},
                            {{window.maxX() - r, window.maxY() - r}, 0},
                            {{window.minX() + r, window.maxY() - r}, pi / 2}};
    const Corner corner{surface, width, r, outfit, variant, palette};
    const int motifCount = cornerMotifCount(outfit, width, r);
    for (const Frame& frame : frames) {
        SavedState saved(surface);
        surface.translate(frame.origin.x, frame.origin.y);
        surface.rotate(frame.rotation);
        cornerPiece(corner, motifCount);
    }
}

} // namespace garbello::cloth
