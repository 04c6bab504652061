#include "render/sweater_cloth.h"

#include <algorithm>
#include <cmath>

namespace garbello::cloth {
namespace {

// The knitting repeats once a whole number of points holds whole stitches.
constexpr int kMostStitchesPerRepeat = 32;

double stitchWidth(const Strip& strip) {
    return std::max(0.3 * strip.width * strip.scale, 3.2);
}

} // namespace

double knitRepeat(const Strip& strip) {
    return wholeRepeat(stitchWidth(strip), kMostStitchesPerRepeat);
}

// Columns from just left of `from` to `to` (for the strip: −1 to ceil(L / cw)).
// Rows go bottom to top so each overlaps the one below. Within a row the
// stitches of neighbouring columns stay apart, so each of the three layers of
// a row is one stroke.
void knit(DrawingSurface& surface, const Strip& strip, const Palette& palette, double from,
          double to) {
    const double w = strip.width;
    const double cw = stitchWidth(strip);
    const double rh = 0.78 * cw; // row height
    const int rows = static_cast<int>(std::ceil(w / rh));
    const double hx = 0.31 * cw;
    const StrokeStyle shadowStyle = StrokeStyle::rounded(0.37 * cw);
    const StrokeStyle yarnStyle = StrokeStyle::rounded(0.23 * cw);
    const StrokeStyle fibreStyle = StrokeStyle::rounded(std::max(0.07 * cw, 0.35));
    const int first = static_cast<int>(std::floor(from / cw)) - 1;
    const int last = static_cast<int>(std::ceil(to / cw));
    for (int r = -1; r <= rows; ++r) {
        const double yb = r * rh;         // the point of the V
        const double yt = yb + 0.73 * rh; // the tops of its arms
        const Ink yarn = r % 3 == 0 ? palette.light.withAlpha(0.85) : palette.feature;
        Path shadows, yarns, fibres;
        for (int j = first; j <= last; ++j) {
            const double xc = j * cw;
            shadows.addPolyline({{xc - hx, yt}, {xc, yb}, {xc + hx, yt}});
            yarns.addPolyline(
                {{xc - hx - 0.25, yt + 0.35}, {xc - 0.25, yb + 0.35}, {xc + hx - 0.25, yt + 0.35}});
            fibres.addLine({xc - 0.28 * cw, yb + 0.69 * rh}, {xc - 0.04 * cw, yb + 0.12 * rh});
        }
        surface.stroke(shadows, palette.shadow.withAlpha(0.7), shadowStyle);
        surface.stroke(yarns, yarn, yarnStyle);
        surface.stroke(fibres, palette.light.withAlpha(0.6), fibreStyle);
    }
}

void sweater(DrawingSurface& surface, const Strip& strip, const Palette& palette) {
    // Every column is the same, so one repeat of the knitting serves the
    // whole strip.
    surface.fillPeriodic({0, 0, strip.length, strip.width}, knitRepeat(strip), palette.ground,
                         [&](DrawingSurface& target, double from, double to) {
                             knit(target, strip, palette, from, to);
                         });
}

} // namespace garbello::cloth
