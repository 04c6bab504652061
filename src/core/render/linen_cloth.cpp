#include "render/linen_cloth.h"

#include <algorithm>

namespace garbello::cloth {

void linen(DrawingSurface& surface, const Strip& strip, const Palette& palette) {
    const double L = strip.length, w = strip.width, s = strip.scale;
    const double g = std::max(2 * s, 1.6); // thread pitch

    // Threads of one direction are thinner than their pitch and never touch,
    // so each direction is one stroke.
    if (L > 0) {
        Path warp;
        for (int j = 0; j * g < L; ++j)
            warp.addLine({j * g, 0}, {j * g, w});
        surface.stroke(warp, palette.light.withAlpha(0.42), StrokeStyle::rounded(0.65));
    }
    if (w > 0) {
        Path weft;
        for (int j = 0; j * g < w; ++j)
            weft.addLine({0, j * g}, {L, j * g});
        surface.stroke(weft, palette.shadow.withAlpha(0.18), StrokeStyle::rounded(0.7));
    }

    const int slubCount = static_cast<int>(L / (3 * g));
    int threadRows = static_cast<int>(w / g);
    if (threadRows < 2)
        threadRows = 1;
    Path slubs;
    for (int j = 0; j <= slubCount; ++j)
        slubs.addRect({3 * g * j, g * ((7 * j) % threadRows), 1.8 * g, 0.65});
    surface.fill(slubs, palette.light.withAlpha(0.65));

    surface.fillRect({0, 0.22 * w, L, std::max(0.1 * w, 1.0)}, palette.feature.withAlpha(0.55));
    surface.strokeLine({0, 0.40 * w}, {L, 0.40 * w}, palette.light.withAlpha(0.9),
                       StrokeStyle::dashed(0.75, 2.6 * s, 2.1 * s));
}

} // namespace garbello::cloth
