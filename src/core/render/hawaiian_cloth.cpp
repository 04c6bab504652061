#include "render/hawaiian_cloth.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace garbello::cloth {
namespace {

constexpr double pi = std::numbers::pi;

// The classic cloth's motifs, by kind and turn, for surfaces that repeat a
// motif's pixels.
constexpr int kFlowerMotif = 10; // plus the turn, -1 to 2
constexpr int kPalmMotif = 20;   // plus one when tilted up

Path petal(double R) {
    Path path;
    path.moveTo({0, -0.08 * R})
        .curveTo({-0.43 * R, 0.80 * R}, {-0.55 * R, 0.22 * R}, {-0.68 * R, 0.72 * R})
        .curveTo({0, 0.88 * R}, {-0.25 * R, 1.05 * R}, {-0.05 * R, 0.93 * R})
        .curveTo({0.43 * R, 0.80 * R}, {0.14 * R, 1.03 * R}, {0.30 * R, 1.02 * R})
        .curveTo({0, -0.08 * R}, {0.66 * R, 0.48 * R}, {0.36 * R, 0.11 * R})
        .close();
    return path;
}

// One leaflet hanging from (t, base) on the side `side` (−1 below, +1 above).
void addPalmLeaflet(Path& path, double P, double t, double base, double side) {
    path.moveTo({t - 0.13 * P, base})
        .quadTo({t + 0.06 * P, base + side * 0.28 * P}, {t - 0.17 * P, base + side * 0.21 * P})
        .quadTo({t + 0.04 * P, base}, {t + 0.13 * P, base + side * 0.08 * P});
}

void addFrondLeaflet(Path& path, double P, double t, double side) {
    path.moveTo({t, 0})
        .quadTo({t - 0.08 * P, side * 0.27 * P}, {t - 0.17 * P, side * 0.17 * P})
        .quadTo({t + 0.06 * P, 0}, {t + 0.08 * P, side * 0.16 * P});
}

} // namespace

void hibiscus(DrawingSurface& surface, double R, const Palette& palette) {
    const Path petalPath = petal(R);
    const StrokeStyle vein = StrokeStyle::rounded(std::max(0.06 * R, 0.35));
    for (int i = 0; i < 5; ++i) {
        SavedState saved(surface);
        surface.rotate(i * 2 * pi / 5);
        surface.fill(petalPath, palette.feature);
        surface.strokeLine({0, 0.12 * R}, {0, 0.68 * R}, palette.light.withAlpha(0.45), vein);
    }
    surface.fillDisc({0, 0}, 0.17 * R, palette.shadow.withAlpha(0.75));
    surface.strokeLine({0, 0}, {0.36 * R, 0.48 * R}, palette.light,
                       StrokeStyle::rounded(std::max(0.09 * R, 0.5)));
    Path pollen;
    for (Point c :
         {Point{0.23 * R, 0.62 * R}, Point{0.36 * R, 0.49 * R}, Point{0.49 * R, 0.36 * R}})
        pollen.addEllipse({c.x - 0.07 * R, c.y - 0.07 * R, 0.14 * R, 0.14 * R});
    surface.fill(pollen, palette.light);
}

void palm(DrawingSurface& surface, double P, const Palette& palette) {
    surface.strokeLine({-0.45 * P, -0.15 * P}, {0.46 * P, 0.11 * P}, palette.detail,
                       StrokeStyle::rounded(std::max(0.05 * P, 0.45)));
    for (int k = 0; k < 5; ++k) {
        const double t = 0.15 * P * k - 0.29 * P;
        const double base = 0.28 * t; // the stem's height at t
        const Ink ink = palette.detail.withAlpha(k % 2 == 0 ? 0.96 : 0.76);
        Path leaflet, mirror;
        addPalmLeaflet(leaflet, P, t, base, -1);
        addPalmLeaflet(mirror, P, t, base, +1);
        surface.fill(leaflet, ink);
        surface.fill(mirror, ink);
    }
}

void openFrond(DrawingSurface& surface, double P, const Palette& palette) {
    surface.strokeLine({-0.5 * P, 0}, {0.5 * P, 0}, palette.light, StrokeStyle::rounded(0.045 * P));
    // The leaflets never overlap and share one ink, so one fill draws them all.
    Path leaflets;
    for (int k = 0; k < 4; ++k) {
        const double t = 0.23 * P * k - 0.4 * P;
        addFrondLeaflet(leaflets, P, t, -1);
        addFrondLeaflet(leaflets, P, t, +1);
    }
    surface.fill(leaflets, palette.detail);
}

void hawaiian(DrawingSurface& surface, const Strip& strip, const Palette& palette) {
    const double w = strip.width;
    const double u = w * strip.scale; // motif unit
    const double step = 2.05 * u;
    const int n = static_cast<int>(std::ceil(strip.length / step));
    // Flowers turn in threes and palms tilt in twos, so the cloth repeats every
    // six steps, once that is a whole number of points.
    constexpr int kTurns = 6;
    const double repeat = wholeRepeat(step, 16 * kTurns, kTurns);
    // A step's flower, palm and dot reach this far before and after its
    // flower's heart: a petal stays within 1.08 of the flower's size, a palm
    // within 0.55 of its own about its centre, 1.07 u further on.
    constexpr double kAntialiasing = 1;
    // How far a flower and a palm paint from their centres: a petal's curve
    // stays within 1.004 of the flower's size, a palm's leaflets within 0.545
    // of the palm's.
    const double flowerReach = 1.01 * 0.46 * u, palmReach = 0.55 * 0.95 * u;
    const double before = 1.08 * 0.46 * u + kAntialiasing;
    const double after = 1.07 * u + 0.55 * 0.95 * u + kAntialiasing;
    const auto square = [](double reach) { return Rect{-reach, -reach, 2 * reach, 2 * reach}; };
    auto motifs = [&](DrawingSurface& target, double from, double to) {
        const int first =
            std::max(-1, static_cast<int>(std::ceil((from - after) / step - 0.45 / 2.05)));
        const int last =
            std::min(n, static_cast<int>(std::floor((to + before) / step - 0.45 / 2.05)));
        for (int i = first; i <= last; ++i) {
            const double x = i * step + 0.45 * u;
            {
                SavedState saved(target);
                target.translate(x, 0.49 * w);
                const int turn = i % 3; // -1 before the strip
                target.drawMotif(kFlowerMotif + turn, square(flowerReach), [&](DrawingSurface& s) {
                    s.rotate(-0.35 + 0.38 * turn);
                    hibiscus(s, 0.46 * u, palette);
                });
            }
            {
                SavedState saved(target);
                target.translate(x + 1.07 * u, 0.47 * w);
                const bool up = i % 2 != 0;
                target.drawMotif(kPalmMotif + up, square(palmReach), [&](DrawingSurface& s) {
                    s.rotate(up ? 0.44 : -0.38);
                    palm(s, 0.95 * u, palette);
                });
            }
            target.fillDisc({x + 0.6 * u, 0.84 * w}, 0.035 * u, palette.light.withAlpha(0.8));
        }
    };
    surface.fillPeriodicOver({0, 0, strip.length, w}, repeat, before + after, {}, motifs);
}

} // namespace garbello::cloth
