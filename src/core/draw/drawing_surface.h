#pragma once

#include "draw/ink.h"
#include "draw/path.h"
#include "model/geometry.h"

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace garbello {

enum class FillRule { winding, evenOdd };

// How a path is stroked. Dash lengths are in points of the current frame.
struct StrokeStyle {
    double width = 1.0;
    // Round cap and join; false leaves the butt cap and mitre join.
    bool round = true;
    std::vector<double> dash; // empty: solid
    double dashPhase = 0;

    bool operator==(const StrokeStyle&) const = default;

    // Round cap and join, the way nearly every line of cloth is drawn.
    static StrokeStyle rounded(double width) { return {width, true, {}, 0}; }
    // Round, dashed `on` points then gapped `off` points, starting with a dash.
    static StrokeStyle dashed(double width, double on, double off) {
        return {width, true, {on, off}, 0};
    }
};

struct GradientStop {
    Ink color;
    double location = 0;
};

// A font by name ("HelveticaNeue", "HelveticaNeue-Medium") and size in points.
struct Font {
    std::string name;
    double size = 12;
};

// A frame placed in the current one: moved to `origin`, then turned
// counter-clockwise by `rotation` radians.
struct Frame {
    Point origin;
    double rotation = 0;
};

// The drawing operations the renderer relies on, in points, origin at the
// bottom-left, y up. Every save must be paired with a restore; restore undoes
// transform and clip changes made since its save. Nothing is thread-safe: a
// surface belongs to the thread drawing on it.
class DrawingSurface {
public:
    virtual ~DrawingSurface() = default;

    virtual void save() = 0;
    virtual void restore() = 0;
    virtual void translate(double dx, double dy) = 0;
    // Counter-clockwise by `radians`.
    virtual void rotate(double radians) = 0;
    virtual void scale(double sx, double sy) = 0;

    // Intersects the clip in force with `path` under `rule`.
    virtual void clip(const Path& path, FillRule rule) = 0;
    virtual void fill(const Path& path, const Ink& ink, FillRule rule = FillRule::winding) = 0;
    virtual void stroke(const Path& path, const Ink& ink, const StrokeStyle& style) = 0;
    // Fills `area` with a linear gradient from `start` to `end`; nothing
    // beyond the two ends.
    virtual void fillLinearGradient(const Path& area, const std::vector<GradientStop>& stops,
                                    Point start, Point end) = 0;
    // One line of text whose baseline starts at `origin`.
    virtual void drawText(std::string_view text, const Font& font, const Ink& ink,
                          Point origin) = 0;

    // Runs `draw` in each of `frames`, clipped to (0, 0, size) there. `draw`
    // must paint the same opaque picture every time, covering that whole
    // rectangle; a surface may then paint it once and copy it into the other
    // frames. A copy differs from painting in place only in antialiased
    // pixels: by at most 24/255 per channel, in fewer than 15 % of the
    // pixels, fewer than 5 % by more than 2.
    virtual void drawInFrames(std::span<const Frame> frames, Size size,
                              const std::function<void(DrawingSurface&)>& draw);

    // Paints `area` with a pattern that repeats every `period` points along x,
    // over a ground of `ground` that already covers it. `draw(surface, from,
    // to)` paints the pattern for x from `from` to `to`; a surface may paint
    // one period into a tile and repeat it, within the bound of drawInFrames. A
    // period of 0 means the pattern has no usable period.
    virtual void fillPeriodic(const Rect& area, double period, const Ink& ground,
                              const std::function<void(DrawingSurface&, double, double)>& draw);

    // Along x, from `from` to `to` points.
    struct Span {
        double from = 0, to = 0;
    };
    // Like fillPeriodic, for a pattern over layers that are not one ink: what
    // already lies in `area` must be the same at every x except within
    // `keepOut`. `draw(surface, from, to)` paints what the pattern has for x
    // from `from` to `to`, within `area` and at most `reach` points beyond
    // `from` and `to` along x. A surface that repeats a tile takes the
    // backdrop from the pixels already painted, draws the pattern in place
    // about `keepOut` and the clip's edges, and copies the tile everywhere
    // else, so the result is that of drawing in place.
    virtual void fillPeriodicOver(const Rect& area, double period, double reach,
                                  std::span<const Span> keepOut,
                                  const std::function<void(DrawingSurface&, double, double)>& draw);
    // Like fillPeriodicOver, over layers that themselves repeat, every
    // `period` or a divisor of it, laid from x = 0 on the same pixels: a
    // surface that repeats paints one repeat in place over them and copies it.
    virtual void
    fillPeriodicOverRepeats(const Rect& area, double period, double reach,
                            const std::function<void(DrawingSurface&, double, double)>& draw);

    struct Stroke {
        Path path;
        Ink ink;
        StrokeStyle style;
    };
    // A ring round a rounded rectangle: its area is `clip` (even-odd), which
    // lies within `outer` and, along each side between the squares of
    // `corner` points at the corners, within `width` of the side.
    // `strokesInside` promises that the strokes lie wholly within the ring,
    // so its clip trims none of their ink.
    struct Ring {
        Rect outer;
        double width = 0;
        double corner = 0;
        Path clip;
        bool strokesInside = false;
    };
    // Strokes `strokes` one after the other as stroke() does, under the
    // ring's clip: outlines that run round the ring, straight along each side
    // between the corner squares, whose bounding boxes are mostly empty. A
    // surface may then lay the ink on the ring alone instead of over each
    // bounding box, and stroke the corners once for a shorter ring whose
    // sides it stretches.
    virtual void strokeRing(const Ring& ring, std::span<const Stroke> strokes);

    // Paints `draw`, one motif of a cloth: it paints only within `bounds` of
    // the current frame (antialiasing aside) and paints the same whenever
    // `motif` is the same. A surface may keep the pixels a motif painted
    // over its backdrop and, where the same motif lies the same way on the
    // pixel grid over the same backdrop again, copy them instead: the same
    // pixels. Changes `draw` makes to the transform may or may not outlast
    // it; the caller undoes them.
    virtual void drawMotif(int motif, const Rect& bounds,
                           const std::function<void(DrawingSurface&)>& draw);

    // The largest part of `rect` of the current frame made of whole device
    // pixels, its sides along the pixel grid: an opaque fill of `rect` sets
    // every pixel there whatever lay beneath. Empty where the surface cannot
    // tell.
    virtual Rect wholePixelsWithin(const Rect& rect) const;

    // Whether `rect` of the current frame is all whole device pixels, its
    // sides along the pixel grid: a clip to it then cuts no pixel. False where
    // the surface cannot tell.
    bool coversWholePixels(const Rect& rect) const;

    void clipToRect(const Rect& rect);
    void fillRect(const Rect& rect, const Ink& ink);
    void fillEllipse(const Rect& rect, const Ink& ink);
    void fillDisc(Point center, double radius, const Ink& ink);
    void strokeEllipse(const Rect& rect, const Ink& ink, const StrokeStyle& style);
    void strokeLine(Point from, Point to, const Ink& ink, const StrokeStyle& style);
};

// Saves on construction and restores on destruction, so every early return
// keeps the pairing.
class SavedState {
public:
    explicit SavedState(DrawingSurface& surface) : surface_(surface) { surface_.save(); }
    ~SavedState() { surface_.restore(); }
    SavedState(const SavedState&) = delete;
    SavedState& operator=(const SavedState&) = delete;

private:
    DrawingSurface& surface_;
};

} // namespace garbello
