#include "render/rain_jacket_cloth.h"

#include <algorithm>

namespace garbello::cloth {
namespace {

void seam(DrawingSurface& surface, double L, double y0, double s, const Palette& palette) {
    surface.strokeLine({0, y0}, {L, y0}, palette.shadow.withAlpha(0.35), StrokeStyle::rounded(0.6));
    surface.strokeLine({0, y0 + 0.8}, {L, y0 + 0.8}, palette.light.withAlpha(0.85),
                       StrokeStyle::dashed(0.55, 2.2 * s, 2.0 * s));
}

void zipTeeth(DrawingSurface& surface, double L, double yz, double s, const Palette& palette) {
    const double pitch = std::max(2.5 * s, 2.0);
    // Teeth never touch each other, so one stroke draws them all.
    Path teeth;
    for (int j = 0; j * pitch < L; ++j)
        teeth.addLine({j * pitch, yz - 1}, {j * pitch + 0.6, yz + 1});
    surface.stroke(teeth, palette.light.withAlpha(0.85), StrokeStyle::rounded(0.75));
}

void pressStud(DrawingSurface& surface, double x, double w, const Palette& palette) {
    const Rect tab{x, 0.23 * w, 0.65 * w, 0.3 * w};
    surface.fill(roundedRectPath(tab, 0.12 * w), palette.shadow);
    surface.fill(roundedRectPath(tab.insetBy(0.15 * w, 0.07 * w), 0.06 * w), palette.light);
    surface.strokeEllipse({x + 2.1 * w, 0.27 * w, 0.17 * w, 0.24 * w}, palette.light.withAlpha(0.5),
                          StrokeStyle::rounded(0.7));
}

} // namespace

void rainJacket(DrawingSurface& surface, const Strip& strip, const Palette& palette) {
    const double L = strip.length, w = strip.width, s = strip.scale;
    surface.fillRect({0, 0.62 * w, L, 0.16 * w}, palette.feature.withAlpha(0.92));
    surface.fillRect({0, 0.61 * w, L, 0.5}, palette.shadow.withAlpha(0.24));

    for (double y0 : {0.17 * w, 0.88 * w})
        seam(surface, L, y0, s, palette);

    const double yz = 0.38 * w;
    surface.strokeLine({0, yz}, {L, yz}, palette.shadow.withAlpha(0.65), StrokeStyle::rounded(1.2));
    if (L > 0)
        zipTeeth(surface, L, yz, s, palette);

    const double firstTab = 2.7 * w;
    const double spacing = std::max(6.5 * w * s, 60.0);
    for (int j = 0; firstTab + j * spacing < L; ++j)
        pressStud(surface, firstTab + j * spacing, w, palette);
}

} // namespace garbello::cloth
