#pragma once

#include "model/geometry.h"

#include <vector>

namespace garbello {

// A vector path in the coordinates of whoever builds it. Surfaces replay it
// under their current transform when it is filled, stroked or clipped, so one
// path may hold many separate shapes that share one style.
class Path {
public:
    enum class Verb { moveTo, lineTo, quadTo, curveTo, close };
    struct Element {
        Verb verb;
        Point points[3]; // end point last; controls first
    };

    Path& moveTo(Point p);
    Path& lineTo(Point p);
    Path& quadTo(Point end, Point control);
    Path& curveTo(Point end, Point control1, Point control2);
    Path& close();
    // One element as another path holds it.
    Path& add(const Element& element) {
        elements_.push_back(element);
        return *this;
    }
    // An open polyline through `points`.
    Path& addPolyline(std::initializer_list<Point> points);
    // A closed polygon through `points`.
    Path& addPolygon(std::initializer_list<Point> points);
    Path& addLine(Point from, Point to) { return moveTo(from).lineTo(to); }
    Path& addRect(const Rect& rect);
    // A rectangle whose corners are quarter ellipses of `cornerWidth` by
    // `cornerHeight`, each clamped to half the rectangle's side; 0 gives
    // sharp corners.
    Path& addRoundedRect(const Rect& rect, double cornerWidth, double cornerHeight);
    Path& addRoundedRect(const Rect& rect, double radius) {
        return addRoundedRect(rect, radius, radius);
    }
    Path& addEllipse(const Rect& rect);
    // A circular arc about `center`, counter-clockwise from `start` to `end`
    // (radians), joined to the current point by a straight line.
    Path& addArc(Point center, double radius, double start, double end);

    bool isEmpty() const { return elements_.empty(); }
    const std::vector<Element>& elements() const { return elements_; }
    // Number of subpaths (one per moveTo).
    int subpathCount() const;

private:
    std::vector<Element> elements_;
};

// The path of a rectangle with rounded corners (see Path::addRoundedRect).
Path roundedRectPath(const Rect& rect, double radius);

} // namespace garbello
