#include "render/snow_gear_cloth.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace garbello::cloth {
namespace {

// Adds arm `i` of a snowflake (and its chevron) to the two paths.
void addSnowflakeArm(Path& arms, Path& chevrons, Point c, double R, int i) {
    const double angle = i * std::numbers::pi / 3;
    const double cosine = std::cos(angle), sine = std::sin(angle);
    // (x, y) in the arm's frame, which is turned by `angle` about c.
    auto at = [&](double x, double y) {
        return Point{c.x + x * cosine - y * sine, c.y + x * sine + y * cosine};
    };
    arms.addLine(at(0, 0), at(0, R));
    chevrons.addPolyline({at(-0.27 * R, 0.58 * R), at(0, 0.34 * R), at(0.27 * R, 0.58 * R)});
}

void addSnowflake(Path& arms, Path& chevrons, Point c, double R) {
    for (int i = 0; i < 6; ++i)
        addSnowflakeArm(arms, chevrons, c, R, i);
}

void strokeSnowflakes(DrawingSurface& surface, const Path& arms, const Path& chevrons, double R,
                      const Ink& ink) {
    surface.stroke(arms, ink, StrokeStyle::rounded(std::max(0.16 * R, 0.6)));
    surface.stroke(chevrons, ink, StrokeStyle::rounded(std::max(0.13 * R, 0.5)));
}

void baffles(DrawingSurface& surface, const Strip& strip, const Palette& palette) {
    const double L = strip.length, w = strip.width;
    const double pitch = std::max(1.8 * w * strip.scale, 18.0);
    const double h = 0.51 * w, yb = 0.49 * w;
    // Baffles never overlap, and the gradient runs across the strip only, so
    // every baffle's shadow, gradient and sheen can be painted in one pass each.
    Path seams, insides, sheens;
    for (int j = 0; j * pitch < L; ++j) {
        const double x = j * pitch;
        const Rect baffle{x + 0.65, yb, pitch - 1.3, h};
        seams.addRoundedRect(baffle, 0.44 * h);
        insides.addRoundedRect(baffle.insetBy(0.45, 0.45), 0.42 * h);
        sheens.addRoundedRect({x + 0.45 * h, 0.81 * w, pitch - 0.9 * h, 0.045 * w}, 0.025 * w);
    }
    surface.fill(seams, palette.shadow);
    SavedState saved(surface);
    surface.clip(insides, FillRule::winding);
    surface.fillLinearGradient({{palette.shadow, 0},
                                {palette.ground, 0.23},
                                {mix(palette.light, palette.ground, 0.25), 0.64},
                                {palette.ground, 1}},
                               {0, yb}, {0, w});
    surface.fill(sheens, palette.light.withAlpha(0.4));
}

void snowflakesAndDiamonds(DrawingSurface& surface, const Strip& strip, const Palette& palette) {
    const double L = strip.length, w = strip.width, s = strip.scale;
    const double spacing = std::max(1.55 * w * s, 16.0);
    const double first = 0.7 * w;
    const double R = 0.15 * w;
    Path arms, chevrons, diamonds;
    for (int j = 0; first + j * spacing < L; ++j) {
        const double x = first + j * spacing;
        addSnowflake(arms, chevrons, {x, 0.32 * w}, R);
        const double xd = x + 0.73 * w * s;
        diamonds.addPolygon(
            {{xd, 0.39 * w}, {xd + 0.06 * w, 0.32 * w}, {xd, 0.25 * w}, {xd - 0.06 * w, 0.32 * w}});
    }
    strokeSnowflakes(surface, arms, chevrons, R, palette.light);
    surface.fill(diamonds, palette.detail);
}

void fleeceSpeckle(DrawingSurface& surface, const Strip& strip, const Palette& palette) {
    const double w = strip.width;
    const int N = static_cast<int>(strip.length / 1.25);
    // Neighbouring specks overlap, so each speck must cover the shade of the
    // one before it: painting all specks first would leave every shade on top.
    const Ink shade = palette.ground.withAlpha(0.28);
    for (int j = 0; j <= N; ++j) {
        const double r = w * (0.035 + 0.007 * ((3 * j) % 5));
        const double y = w * (0.07 + 0.022 * ((7 * j) % 3));
        const double x = 1.25 * j;
        surface.fillEllipse({x - r, y - r, 2 * r, 2 * r}, palette.light);
        const double s = 0.32 * r;
        surface.fillEllipse({x + 0.3 - s, y - 0.5 * r - s, 2 * s, 2 * s}, shade);
    }
}

} // namespace

void snowflake(DrawingSurface& surface, Point center, double R, const Ink& ink) {
    if (ink.alpha < 1) {
        // Translucent arms must show where they cross, so each is its own stroke.
        for (int i = 0; i < 6; ++i) {
            Path arm, chevron;
            addSnowflakeArm(arm, chevron, center, R, i);
            strokeSnowflakes(surface, arm, chevron, R, ink);
        }
        return;
    }
    Path arms, chevrons;
    addSnowflake(arms, chevrons, center, R);
    strokeSnowflakes(surface, arms, chevrons, R, ink);
}

void snowGear(DrawingSurface& surface, const Strip& strip, const Palette& palette) {
    const double L = strip.length, w = strip.width;
    if (L > 0)
        baffles(surface, strip, palette);
    surface.fillRect({0, 0.14 * w, L, 0.36 * w}, palette.feature);
    if (L > 0.7 * w)
        snowflakesAndDiamonds(surface, strip, palette);
    surface.fillRect({0, 0, L, 0.105 * w}, mix(palette.light, palette.ground, 0.15));
    fleeceSpeckle(surface, strip, palette);
}

} // namespace garbello::cloth
