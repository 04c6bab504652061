#include "draw/path.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace garbello {
namespace {

// Control-point distance for a cubic Bézier quarter circle of radius 1.
constexpr double kQuarterArc = 0.5522847498307936;

} // namespace

Path& Path::moveTo(Point p) {
    elements_.push_back({Verb::moveTo, {p}});
    return *this;
}

Path& Path::lineTo(Point p) {
    elements_.push_back({Verb::lineTo, {p}});
    return *this;
}

Path& Path::quadTo(Point end, Point control) {
    elements_.push_back({Verb::quadTo, {control, end}});
    return *this;
}

Path& Path::curveTo(Point end, Point control1, Point control2) {
    elements_.push_back({Verb::curveTo, {control1, control2, end}});
    return *this;
}

Path& Path::close() {
    elements_.push_back({Verb::close, {}});
    return *this;
}

Path& Path::addPolyline(std::initializer_list<Point> points) {
    bool first = true;
    for (Point p : points) {
        first ? moveTo(p) : lineTo(p);
        first = false;
    }
    return *this;
}

Path& Path::addPolygon(std::initializer_list<Point> points) {
    return addPolyline(points).close();
}

Path& Path::addRect(const Rect& r) {
    return addPolygon(
        {{r.minX(), r.minY()}, {r.maxX(), r.minY()}, {r.maxX(), r.maxY()}, {r.minX(), r.maxY()}});
}

Path& Path::addRoundedRect(const Rect& r, double cornerWidth, double cornerHeight) {
    const double rx = std::clamp(cornerWidth, 0.0, (r.maxX() - r.minX()) / 2);
    const double ry = std::clamp(cornerHeight, 0.0, (r.maxY() - r.minY()) / 2);
    if (!(rx > 0) || !(ry > 0))
        return addRect(r);
    const double cx = rx * kQuarterArc;
    const double cy = ry * kQuarterArc;
    const double x0 = r.minX(), x1 = r.maxX(), y0 = r.minY(), y1 = r.maxY();
    moveTo({x0 + rx, y0});
    lineTo({x1 - rx, y0});
    curveTo({x1, y0 + ry}, {x1 - rx + cx, y0}, {x1, y0 + ry - cy});
    lineTo({x1, y1 - ry});
    curveTo({x1 - rx, y1}, {x1, y1 - ry + cy}, {x1 - rx + cx, y1});
    lineTo({x0 + rx, y1});
    curveTo({x0, y1 - ry}, {x0 + rx - cx, y1}, {x0, y1 - ry + cy});
    lineTo({x0, y0 + ry});
    curveTo({x0 + rx, y0}, {x0, y0 + ry - cy}, {x0 + rx - cx, y0});
    return close();
}

Path& Path::addEllipse(const Rect& r) {
    const double rx = (r.maxX() - r.minX()) / 2, ry = (r.maxY() - r.minY()) / 2;
    const double mx = r.minX() + rx, my = r.minY() + ry;
    const double cx = rx * kQuarterArc, cy = ry * kQuarterArc;
    moveTo({mx + rx, my});
    curveTo({mx, my + ry}, {mx + rx, my + cy}, {mx + cx, my + ry});
    curveTo({mx - rx, my}, {mx - cx, my + ry}, {mx - rx, my + cy});
    curveTo({mx, my - ry}, {mx - rx, my - cy}, {mx - cx, my - ry});
    curveTo({mx + rx, my}, {mx + cx, my - ry}, {mx + rx, my - cy});
    return close();
}

Path& Path::addArc(Point c, double radius, double start, double end) {
    if (end < start)
        end += 2 * std::numbers::pi * std::ceil((start - end) / (2 * std::numbers::pi));
    const int segments =
        std::max(1, static_cast<int>(std::ceil((end - start) / (std::numbers::pi / 2))));
    const double step = (end - start) / segments;
    // Handle length of a cubic approximating an arc of `step` radians.
    const double handle = 4.0 / 3.0 * std::tan(step / 4) * radius;
    auto at = [&](double a) {
        return Point{c.x + radius * std::cos(a), c.y + radius * std::sin(a)};
    };
    Point first = at(start);
    elements_.empty() ? moveTo(first) : lineTo(first);
    for (int i = 0; i < segments; ++i) {
        const double a0 = start + step * i, a1 = a0 + step;
        Point p0 = at(a0), p1 = at(a1);
        curveTo(p1, {p0.x - handle * std::sin(a0), p0.y + handle * std::cos(a0)},
                {p1.x + handle * std::sin(a1), p1.y - handle * std::cos(a1)});
    }
    return *this;
}

int Path::subpathCount() const {
    return static_cast<int>(std::count_if(elements_.begin(), elements_.end(),
                                          [](const Element& e) { return e.verb == Verb::moveTo; }));
}

Path roundedRectPath(const Rect& rect, double radius) {
    Path path;
    path.addRoundedRect(rect, radius);
    return path;
}

} // namespace garbello
