#include "draw/recording_surface.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace garbello {

Transform Transform::after(const Transform& inner) const {
    return {a * inner.a + c * inner.b,        b * inner.a + d * inner.b,
            a * inner.c + c * inner.d,        b * inner.c + d * inner.d,
            a * inner.tx + c * inner.ty + tx, b * inner.tx + d * inner.ty + ty};
}

Rect RecordingSurface::Operation::bounds() const {
    double minX = std::numeric_limits<double>::infinity(), minY = minX;
    double maxX = -minX, maxY = -minX;
    for (const Path::Element& element : path.elements()) {
        const int count = element.verb == Path::Verb::close     ? 0
                          : element.verb == Path::Verb::quadTo  ? 2
                          : element.verb == Path::Verb::curveTo ? 3
                                                                : 1;
        for (int i = 0; i < count; ++i) {
            Point p = transform.apply(element.points[i]);
            minX = std::min(minX, p.x);
            maxX = std::max(maxX, p.x);
            minY = std::min(minY, p.y);
            maxY = std::max(maxY, p.y);
        }
    }
    if (minX > maxX)
        return {};
    return {minX, minY, maxX - minX, maxY - minY};
}

Point RecordingSurface::Operation::start() const {
    if (path.isEmpty())
        return origin();
    return transform.apply(path.elements().front().points[0]);
}

std::vector<Point> RecordingSurface::Operation::subpathStarts() const {
    std::vector<Point> starts;
    for (const Path::Element& element : path.elements())
        if (element.verb == Path::Verb::moveTo)
            starts.push_back(transform.apply(element.points[0]));
    return starts;
}

void RecordingSurface::save() {
    stack_.push_back(current_);
}

void RecordingSurface::restore() {
    if (stack_.empty()) {
        ++unbalancedRestores_;
        return;
    }
    current_ = stack_.back();
    stack_.pop_back();
}

void RecordingSurface::translate(double dx, double dy) {
    current_ = current_.after({1, 0, 0, 1, dx, dy});
}

void RecordingSurface::rotate(double radians) {
    const double cosine = std::cos(radians), sine = std::sin(radians);
    current_ = current_.after({cosine, sine, -sine, cosine, 0, 0});
}

void RecordingSurface::scale(double sx, double sy) {
    current_ = current_.after({sx, 0, 0, sy, 0, 0});
}

RecordingSurface::Operation& RecordingSurface::record(Kind kind, const Path& path) {
    Operation operation{kind, path, current_, {}, {}, FillRule::winding, {}, {}, {}, depth()};
    operations_.push_back(std::move(operation));
    return operations_.back();
}

void RecordingSurface::clip(const Path& path, FillRule rule) {
    record(Kind::clip, path).rule = rule;
}

void RecordingSurface::fill(const Path& path, const Ink& ink, FillRule rule) {
    Operation& operation = record(Kind::fill, path);
    operation.ink = ink;
    operation.rule = rule;
}

void RecordingSurface::stroke(const Path& path, const Ink& ink, const StrokeStyle& style) {
    Operation& operation = record(Kind::stroke, path);
    operation.ink = ink;
    operation.style = style;
}

void RecordingSurface::fillLinearGradient(const Path& area, const std::vector<GradientStop>& stops,
                                          Point, Point) {
    record(Kind::gradient, area).stops = stops;
}

void RecordingSurface::drawText(std::string_view text, const Font& font, const Ink& ink,
                                Point origin) {
    Operation& operation = record(Kind::text, Path().moveTo(origin));
    operation.text = std::string(text);
    operation.font = font;
    operation.ink = ink;
}

std::vector<RecordingSurface::Operation> RecordingSurface::matching(Kind kind,
                                                                    const Ink& ink) const {
    return matching([&](const Operation& op) { return op.kind == kind && op.ink == ink; });
}

std::vector<RecordingSurface::Operation>
RecordingSurface::matching(const std::function<bool(const Operation&)>& test) const {
    std::vector<Operation> found;
    std::copy_if(operations_.begin(), operations_.end(), std::back_inserter(found), test);
    return found;
}

} // namespace garbello
