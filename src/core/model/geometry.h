#pragma once

#include <algorithm>
#include <cmath>

namespace garbello {

// Plain geometry in points. Which way y points depends on the coordinate
// space the caller works in; desktop coordinates have the origin at the
// bottom-left of the primary screen with y up.
struct Point {
    double x = 0;
    double y = 0;

    bool operator==(const Point&) const = default;
};

struct Size {
    double width = 0;
    double height = 0;

    bool operator==(const Size&) const = default;
};

struct Rect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;

    bool operator==(const Rect&) const = default;

    double minX() const { return std::min(x, x + width); }
    double minY() const { return std::min(y, y + height); }
    double maxX() const { return std::max(x, x + width); }
    double maxY() const { return std::max(y, y + height); }
    double midX() const { return x + width / 2; }
    double midY() const { return y + height / 2; }
    Point origin() const { return {x, y}; }
    Size size() const { return {width, height}; }

    bool isFinite() const {
        return std::isfinite(x) && std::isfinite(y) && std::isfinite(width) &&
               std::isfinite(height);
    }
    // No area (or not a number at all).
    bool isEmpty() const { return !(width != 0 && height != 0) || !isFinite(); }

    // Grows (positive) or shrinks (negative) the rectangle by `dx` on the left
    // and right and by `dy` at the bottom and top.
    Rect insetBy(double dx, double dy) const {
        return {x + dx, y + dy, width - 2 * dx, height - 2 * dy};
    }
    Rect offsetBy(double dx, double dy) const { return {x + dx, y + dy, width, height}; }
    // Whether the two share some area; touching edges do not count.
    bool intersects(const Rect& other) const {
        return !isEmpty() && !other.isEmpty() && minX() < other.maxX() && other.minX() < maxX() &&
               minY() < other.maxY() && other.minY() < maxY();
    }
    bool contains(Point p) const {
        return p.x >= minX() && p.x < maxX() && p.y >= minY() && p.y < maxY();
    }
};

} // namespace garbello
