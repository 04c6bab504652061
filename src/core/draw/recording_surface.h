#pragma once

#include "draw/drawing_surface.h"

#include <functional>
#include <string>
#include <vector>

namespace garbello {

// An affine transform: x' = a·x + c·y + tx, y' = b·x + d·y + ty.
struct Transform {
    double a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;

    Point apply(Point p) const { return {a * p.x + c * p.y + tx, b * p.x + d * p.y + ty}; }
    // This transform applied after `inner` has been applied.
    Transform after(const Transform& inner) const;
    bool operator==(const Transform&) const = default;
};

// Remembers every drawing operation instead of painting, so tests can check
// what was drawn where: positions, counts, colours, line widths and dashes.
// Paths are kept as given and also mapped into the surface's root frame.
class RecordingSurface : public DrawingSurface {
public:
    enum class Kind { fill, stroke, clip, gradient, text };
    struct Operation {
        Kind kind;
        Path path;           // as passed, in the frame current at the call
        Transform transform; // current transform at the call
        Ink ink;             // fill, stroke and text colour
        StrokeStyle style;   // strokes only
        FillRule rule = FillRule::winding;
        std::vector<GradientStop> stops;
        std::string text;
        Font font;
        int depth = 0; // saves in force at the call

        // Bounds of the path's end and control points in the root frame.
        Rect bounds() const;
        // The frame's origin in the root frame (where a motif was centred).
        Point origin() const { return transform.apply({0, 0}); }
        // The first point of the path in the root frame.
        Point start() const;
        // The first point of every subpath in the root frame, in drawing order.
        std::vector<Point> subpathStarts() const;
    };

    void save() override;
    void restore() override;
    void translate(double dx, double dy) override;
    void rotate(double radians) override;
    void scale(double sx, double sy) override;
    void clip(const Path& path, FillRule rule) override;
    void fill(const Path& path, const Ink& ink, FillRule rule) override;
    void stroke(const Path& path, const Ink& ink, const StrokeStyle& style) override;
    void fillLinearGradient(const Path& area, const std::vector<GradientStop>& stops, Point start,
                            Point end) override;
    void drawText(std::string_view text, const Font& font, const Ink& ink, Point origin) override;

    const std::vector<Operation>& operations() const { return operations_; }
    // Operations of one kind drawn with `ink` (red, green, blue and alpha).
    std::vector<Operation> matching(Kind kind, const Ink& ink) const;
    std::vector<Operation> matching(const std::function<bool(const Operation&)>& test) const;
    int depth() const { return static_cast<int>(stack_.size()); }
    const Transform& transform() const { return current_; }
    // Restores without a matching save.
    int unbalancedRestores() const { return unbalancedRestores_; }

private:
    Operation& record(Kind kind, const Path& path);

    std::vector<Operation> operations_;
    std::vector<Transform> stack_;
    Transform current_;
    int unbalancedRestores_ = 0;
};

} // namespace garbello
