#include "render/snow_gear_cloth.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <span>
#include <utility>
#include <vector>

namespace garbello::cloth {
namespace {

double armWidth(double R) {
    return std::max(0.16 * R, 0.6);
}

// Snowflakes placed every fraction of a point repeat within this many.
constexpr int kMostSnowflakesPerRepeat = 25;

double chevronWidth(double R) {
    return std::max(0.13 * R, 0.5);
}

// A shape lying this far beyond where a cover starts paints only pixels the
// cover hides, on any bitmap of at least one pixel per point.
constexpr double kCoverMargin = 2;

// The rows across a strip where whatever lies wholly between `from` and
// `to` paints only pixels a cover sets afterwards.
struct Hidden {
    double from = INFINITY;
    double to = INFINITY;

    bool holds(double top, double bottom) const { return top >= from && bottom <= to; }
};

// The rows `cover` hides: the whole device pixel rows it spans where the
// surface knows the grid, and anywhere those a margin within its edges.
Hidden hiddenBy(const DrawingSurface& surface, const Strip& strip, Cover cover) {
    const double w = strip.width;
    if (!(cover.from < cover.to))
        return {};
    const bool toInnerEdge = cover.to >= w;
    Hidden hidden{cover.from + kCoverMargin, toInnerEdge ? INFINITY : cover.to - kCoverMargin};
    const Rect whole = surface.wholePixelsWithin(
        {0, cover.from, strip.length, std::min(cover.to, w) - cover.from});
    if (!whole.isEmpty()) {
        hidden.from = std::min(hidden.from, whole.minY());
        if (!toInnerEdge)
            hidden.to = std::max(hidden.to, whole.maxY());
    }
    return hidden;
}

// Adds arm `i` of a snowflake (and its chevron) to the two paths, each unless
// `hidden` holds it.
void addSnowflakeArm(Path& arms, Path& chevrons, Point c, double R, int i, Hidden hidden = {}) {
    const double angle = i * std::numbers::pi / 3;
    const double cosine = std::cos(angle), sine = std::sin(angle);
    // (x, y) in the arm's frame, which is turned by `angle` about c.
    auto at = [&](double x, double y) {
        return Point{c.x + x * cosine - y * sine, c.y + x * sine + y * cosine};
    };
    const Point tip = at(0, R);
    const double arm = armWidth(R) / 2, chevron = chevronWidth(R) / 2;
    if (!hidden.holds(std::min(c.y, tip.y) - arm, std::max(c.y, tip.y) + arm))
        arms.addLine(c, tip);
    const Point v[] = {at(-0.27 * R, 0.58 * R), at(0, 0.34 * R), at(0.27 * R, 0.58 * R)};
    if (!hidden.holds(std::min({v[0].y, v[1].y, v[2].y}) - chevron,
                      std::max({v[0].y, v[1].y, v[2].y}) + chevron))
        chevrons.addPolyline({v[0], v[1], v[2]});
}

void addSnowflake(Path& arms, Path& chevrons, Point c, double R, Hidden hidden = {}) {
    for (int i = 0; i < 6; ++i)
        addSnowflakeArm(arms, chevrons, c, R, i, hidden);
}

void strokeSnowflakes(DrawingSurface& surface, const Path& arms, const Path& chevrons, double R,
                      const Ink& ink) {
    surface.stroke(arms, ink, StrokeStyle::rounded(armWidth(R)));
    surface.stroke(chevrons, ink, StrokeStyle::rounded(chevronWidth(R)));
}

// With `endsOnly`, the baffles that lie wholly between the strip's ends
// (their seam bands and a margin) are left out.
void baffles(DrawingSurface& surface, const Strip& strip, const Palette& palette, bool endsOnly) {
    const double L = strip.length, w = strip.width;
    const double pitch = std::max(1.8 * w * strip.scale, 18.0);
    const double h = 0.51 * w, yb = 0.49 * w;
    const double firstHidden = 0.34 * w + kCoverMargin, lastHidden = L - 0.34 * w - kCoverMargin;
    // Baffles never overlap, and the gradient runs across the strip only, so
    // every baffle's shadow, gradient and sheen can be painted in one pass each.
    Path seams, insides, sheens;
    for (int j = 0; j * pitch < L; ++j) {
        const double x = j * pitch;
        if (endsOnly && x > firstHidden && x + pitch < lastHidden)
            continue;
        const Rect baffle{x + 0.65, yb, pitch - 1.3, h};
        seams.addRoundedRect(baffle, 0.44 * h);
        insides.addRoundedRect(baffle.insetBy(0.45, 0.45), 0.42 * h);
        sheens.addRoundedRect({x + 0.45 * h, 0.81 * w, pitch - 0.9 * h, 0.045 * w}, 0.025 * w);
    }
    surface.fill(seams, palette.shadow);
    // From this width on, filling the insides with the gradient and laying
    // the sheens unclipped paints what painting both under a clip of the
    // insides does, for a fraction of cairo's work; on narrower strips the
    // rounded ends come out a few units apart.
    constexpr double kUnclippedFrom = 8;
    const bool clipped = w < kUnclippedFrom;
    SavedState saved(surface);
    if (clipped)
        surface.clip(insides, FillRule::winding);
    surface.fillLinearGradient(clipped ? Path().addRect({0, 0, L, w}) : insides,
                               {{palette.shadow, 0},
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

// Paints the snowflakes and diamonds, but for the parts `hidden` holds, and
// returns where they reach below `height`.
std::vector<DrawingSurface::Span> snowflakesAndDiamonds(DrawingSurface& surface, const Strip& strip,
                                                        const Palette& palette, double height,
                                                        Hidden hidden) {
    const double L = strip.length, w = strip.width, s = strip.scale;
    const double spacing = std::max(1.55 * w * s, 16.0);
    const double first = 0.7 * w;
    const double R = 0.15 * w;
    const double lead = 0.73 * w * s; // from a snowflake to its diamond
    // How far a snowflake (arms and their round caps) reaches from its
    // centre, and its diamond beyond the centre along x.
    const double radius = R + armWidth(R) / 2, ahead = lead + 0.06 * w;
    const int count = static_cast<int>(std::ceil((L - first) / spacing));
    const auto add = [&](int j, Path& arms, Path& chevrons, Path& diamonds, bool tile = false) {
        const double x = first + j * spacing;
        // The cover hides nothing on the antialiased pixels along the strip's
        // clip (the seam bands end at most 0.34 w from either end, the window
        // edge at w), so a snowflake near them is painted whole. A tile stands
        // for the strip away from them.
        const bool inside = 0.32 * w + radius < w - kCoverMargin &&
                            (tile || (x - radius > 0.34 * w + kCoverMargin &&
                                      x + ahead < L - 0.34 * w - kCoverMargin));
        const Hidden under = inside ? hidden : Hidden{};
        addSnowflake(arms, chevrons, {x, 0.32 * w}, R, under);
        const double xd = x + lead;
        if (!under.holds(0.25 * w, 0.39 * w))
            diamonds.addPolygon({{xd, 0.39 * w},
                                 {xd + 0.06 * w, 0.32 * w},
                                 {xd, 0.25 * w},
                                 {xd - 0.06 * w, 0.32 * w}});
    };
    const auto paint = [&](DrawingSurface& target, const Path& arms, const Path& chevrons,
                           const Path& diamonds) {
        strokeSnowflakes(target, arms, chevrons, R, palette.light);
        target.fill(diamonds, palette.detail);
    };

    // The snowflakes sit on the stripe band, which is the same all along
    // while it covers every row they reach; they repeat once a whole number
    // of points holds whole spacings.
    const double top = std::floor(0.32 * w - radius), bottom = std::ceil(0.32 * w + radius);
    const double period = bottom <= 0.5 * w ? wholeRepeat(spacing, kMostSnowflakesPerRepeat) : 0;
    // The strip has snowflakes 0 to count - 1 only; a tile (0 to one repeat)
    // has them on either side as well.
    auto snowflakes = [&](DrawingSurface& target, double from, double to) {
        const bool tile = from == 0 && to == period;
        // Only those that reach the range: each is painted once in place.
        const int lo = static_cast<int>(std::ceil((from - ahead - first) / spacing));
        const int hi = static_cast<int>(std::floor((to + radius - first) / spacing));
        Path arms, chevrons, diamonds;
        for (int j = tile ? lo : std::max(0, lo); j <= (tile ? hi : std::min(count - 1, hi)); ++j)
            add(j, arms, chevrons, diamonds, tile);
        paint(target, arms, chevrons, diamonds);
    };
    surface.fillPeriodicOver({0, top, L, bottom - top}, period, radius + ahead + 1, {}, snowflakes);

    Path arms, chevrons, diamonds;
    for (int j = 0; j < count; ++j)
        add(j, arms, chevrons, diamonds);
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
    // How far a speck of radius r and its shade reach ahead along x from the
    // speck's centre (behind, r): the shade lies 0.3 ahead, 0.32 times as wide.
    const auto ahead = [](double r) { return std::max(r, 0.3 + 0.32 * r); };
    const double largest = 0.063 * w;
    // The specks that paint into x from `from` to `to`: only those touch its
    // pixels, which is all a range drawn in place needs. The strip has specks
    // 0 to N only; a tile (0 to one repeat) has them on either side as well.
    auto specks = [&](DrawingSurface& target, double from, double to) {
        const bool tile = from == 0 && to == kSpeckleRepeat;
        const int first = static_cast<int>(std::floor((from - ahead(largest)) / 1.25));
        const int last = static_cast<int>(std::ceil((to + largest) / 1.25));
        for (int j = tile ? first : std::max(0, first); j <= (tile ? last : std::min(N, last));
             ++j) {
            const int k = (j % 15 + 15) % 15;
            const double r = w * (0.035 + 0.007 * ((3 * k) % 5));
            const double y = w * (0.07 + 0.022 * ((7 * k) % 3));
            const double x = 1.25 * j;
            if (x + ahead(r) <= from || x - r >= to)
                continue;
            target.fillEllipse({x - r, y - r, 2 * r, 2 * r}, palette.light);
            const double s = 0.32 * r;
            target.fillEllipse({x + 0.3 - s, y - 0.5 * r - s, 2 * s, 2 * s}, shade);
        }
    };
    // Too narrow a strip puts the baffles under the specks: no repeat then.
    const double period = height < 0.49 * w ? kSpeckleRepeat : 0;
    // A speck drawn for a range reaches at most its own extent beyond it.
    surface.fillPeriodicOver({0, 0, L, height}, period, largest + ahead(largest), keepOut, specks);
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

void snowGear(DrawingSurface& surface, const Strip& strip, const Palette& palette, Cover cover) {
    const double L = strip.length, w = strip.width;
    const Hidden hidden = hiddenBy(surface, strip, cover);
    // Under an opaque cover whose inner edge runs along a pixel row, the
    // baffles show only through the antialiased columns where the strip's
    // clip cuts the cover, near either end.
    const bool bafflesCovered = hidden.from <= 0.49 * w && hidden.to == INFINITY &&
                                palette.ground.alpha >= 1 &&
                                surface.coversWholePixels({0, 0, L, w});
    if (L > 0)
        baffles(surface, strip, palette, bafflesCovered);
    surface.fillRect({0, 0.14 * w, L, 0.36 * w}, palette.feature);
    // The specks reach 0.177 w from the edge; the baffles start at 0.49 w.
    const double speckleHeight = std::ceil(0.18 * w);
    std::vector<DrawingSurface::Span> keepOut;
    if (L > 0.7 * w)
        keepOut = snowflakesAndDiamonds(surface, strip, palette, speckleHeight, hidden);
    fleeceTrim(surface, strip, palette, speckleHeight, keepOut);
}

} // namespace garbello::cloth
