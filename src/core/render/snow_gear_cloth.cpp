#include "render/snow_gear_cloth.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <span>
#include <utility>
#include <vector>

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

double armWidth(double R) {
    return std::max(0.16 * R, 0.6);
}

double chevronWidth(double R) {
    return std::max(0.13 * R, 0.5);
}

void strokeSnowflakes(DrawingSurface& surface, const Path& arms, const Path& chevrons, double R,
                      const Ink& ink) {
    surface.stroke(arms, ink, StrokeStyle::rounded(armWidth(R)));
    surface.stroke(chevrons, ink, StrokeStyle::rounded(chevronWidth(R)));
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

// Adds to `spans` the x ranges where the lines of `path` (stroked `halfWidth`
// either side; 0 for a fill) reach below `height`.
void addReachBelow(std::vector<DrawingSurface::Span>& spans, const Path& path, double halfWidth,
                   double height) {
    Point start, current;
    const auto segment = [&](Point a, Point b) {
        const double limit = height + halfWidth;
        if (a.y > b.y)
            std::swap(a, b);
        if (a.y >= limit)
            return;
        // The part of the segment below the limit.
        const Point c =
            b.y <= limit ? b : Point{a.x + (b.x - a.x) * (limit - a.y) / (b.y - a.y), limit};
        spans.push_back({std::min(a.x, c.x) - halfWidth, std::max(a.x, c.x) + halfWidth});
    };
    for (const Path::Element& element : path.elements()) {
        switch (element.verb) {
        case Path::Verb::moveTo:
            start = current = element.points[0];
            break;
        case Path::Verb::lineTo:
            segment(current, element.points[0]);
            current = element.points[0];
            break;
        case Path::Verb::close:
            segment(current, start);
            current = start;
            break;
        case Path::Verb::quadTo:
        case Path::Verb::curveTo:
            break; // not made here
        }
    }
}

// Paints the snowflakes and diamonds and returns where they reach below
// `height`.
std::vector<DrawingSurface::Span> snowflakesAndDiamonds(DrawingSurface& surface, const Strip& strip,
                                                        const Palette& palette, double height) {
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
    std::vector<DrawingSurface::Span> reach;
    addReachBelow(reach, arms, armWidth(R) / 2, height);
    addReachBelow(reach, chevrons, chevronWidth(R) / 2, height);
    addReachBelow(reach, diamonds, 0, height);
    return reach;
}

// Fifteen specks of 1.25 points, 18.75 points, hold every size and height;
// four of those are the shortest whole number of points.
constexpr double kSpeckleRepeat = 75;

// The trim along the outer edge and its speckle, over the ground and the
// stripe band below `height` (a whole number of points above the highest
// speck) and whatever `keepOut` holds.
void fleeceTrim(DrawingSurface& surface, const Strip& strip, const Palette& palette, double height,
                std::span<const DrawingSurface::Span> keepOut) {
    const double L = strip.length, w = strip.width;
    const Ink trim = mix(palette.light, palette.ground, 0.15);
    surface.fillRect({0, 0, L, 0.105 * w}, trim);

    const int N = static_cast<int>(L / 1.25);
    // Neighbouring specks overlap, so each speck must cover the shade of the
    // one before it: painting all specks first would leave every shade on top.
    const Ink shade = palette.ground.withAlpha(0.28);
    // How far a speck and its shade reach along x from the speck's centre.
    const double reach = 0.063 * w + 0.3;
    // The specks reaching into x from `from` to `to`. The strip has specks 0
    // to N only; a tile (0 to one repeat) has them on either side as well.
    auto specks = [&](DrawingSurface& target, double from, double to) {
        const bool tile = from == 0 && to == kSpeckleRepeat;
        const int first = static_cast<int>(std::floor((from - reach) / 1.25));
        const int last = static_cast<int>(std::ceil((to + reach) / 1.25));
        for (int j = tile ? first : std::max(0, first); j <= (tile ? last : std::min(N, last));
             ++j) {
            const int k = (j % 15 + 15) % 15;
            const double r = w * (0.035 + 0.007 * ((3 * k) % 5));
            const double y = w * (0.07 + 0.022 * ((7 * k) % 3));
            const double x = 1.25 * j;
            target.fillEllipse({x - r, y - r, 2 * r, 2 * r}, palette.light);
            const double s = 0.32 * r;
            target.fillEllipse({x + 0.3 - s, y - 0.5 * r - s, 2 * s, 2 * s}, shade);
        }
    };
    // Too narrow a strip puts the baffles under the specks: no repeat then.
    const double period = height < 0.49 * w ? kSpeckleRepeat : 0;
    // A speck drawn for a range may lie a step outside and reach beyond it.
    surface.fillPeriodicOver({0, 0, L, height}, period, 2 * reach + 1.25, keepOut, specks);
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
    // The specks reach 0.177 w from the edge; the baffles start at 0.49 w.
    const double speckleHeight = std::ceil(0.18 * w);
    std::vector<DrawingSurface::Span> keepOut;
    if (L > 0.7 * w)
        keepOut = snowflakesAndDiamonds(surface, strip, palette, speckleHeight);
    fleeceTrim(surface, strip, palette, speckleHeight, keepOut);
}

} // namespace garbello::cloth
