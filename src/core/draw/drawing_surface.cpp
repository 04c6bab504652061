#include "draw/drawing_surface.h"

#include <cmath>

namespace garbello {

void DrawingSurface::drawInFrames(std::span<const Frame> frames, Size size,
                                  const std::function<void(DrawingSurface&)>& draw) {
    for (const Frame& frame : frames) {
        SavedState saved(*this);
        translate(frame.origin.x, frame.origin.y);
        rotate(frame.rotation);
        clipToRect({0, 0, size.width, size.height});
        draw(*this);
    }
}

void DrawingSurface::fillPeriodic(
    const Rect& area, double, const Ink&,
    const std::function<void(DrawingSurface&, double, double)>& draw) {
    draw(*this, area.minX(), area.maxX());
}

void DrawingSurface::fillPeriodicOver(
    const Rect& area, double, double, std::span<const Span>,
    const std::function<void(DrawingSurface&, double, double)>& draw) {
    draw(*this, area.minX(), area.maxX());
}

void DrawingSurface::fillPeriodicOverRepeats(
    const Rect& area, double, double,
    const std::function<void(DrawingSurface&, double, double)>& draw) {
    draw(*this, area.minX(), area.maxX());
}

void DrawingSurface::strokeRing(const Ring& ring, std::span<const Stroke> strokes) {
    SavedState saved(*this);
    clip(ring.clip, FillRule::evenOdd);
    for (const Stroke& each : strokes)
        stroke(each.path, each.ink, each.style);
}

void DrawingSurface::drawMotif(int, const Rect&, const std::function<void(DrawingSurface&)>& draw) {
    draw(*this);
}

Rect DrawingSurface::wholePixelsWithin(const Rect&) const {
    return {};
}

bool DrawingSurface::coversWholePixels(const Rect& rect) const {
    // Sides within rounding of the grid were taken for it.
    constexpr double kRounding = 1e-9;
    const Rect whole = wholePixelsWithin(rect);
    const auto same = [](double a, double b) { return std::abs(a - b) < kRounding; };
    return !whole.isEmpty() && same(whole.minX(), rect.minX()) && same(whole.minY(), rect.minY()) &&
           same(whole.maxX(), rect.maxX()) && same(whole.maxY(), rect.maxY());
}

void DrawingSurface::clipToRect(const Rect& rect) {
    clip(Path().addRect(rect), FillRule::winding);
}

void DrawingSurface::fillRect(const Rect& rect, const Ink& ink) {
    fill(Path().addRect(rect), ink);
}

void DrawingSurface::fillEllipse(const Rect& rect, const Ink& ink) {
    fill(Path().addEllipse(rect), ink);
}

void DrawingSurface::fillDisc(Point center, double radius, const Ink& ink) {
    fillEllipse({center.x - radius, center.y - radius, 2 * radius, 2 * radius}, ink);
}

void DrawingSurface::strokeEllipse(const Rect& rect, const Ink& ink, const StrokeStyle& style) {
    stroke(Path().addEllipse(rect), ink, style);
}

void DrawingSurface::strokeLine(Point from, Point to, const Ink& ink, const StrokeStyle& style) {
    stroke(Path().addLine(from, to), ink, style);
}

} // namespace garbello
