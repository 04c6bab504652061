#include "draw/cairo_surface.h"

#include "draw/bitmap.h"
#include "draw/cairo_handles.h"
#include "draw/render_error.h"

#include <cairo.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <utility>
#include <vector>

namespace garbello {
namespace {

// A coordinate within rounding of a whole number is taken for it.
constexpr double kRounding = 1e-9;

bool isWhole(double v) {
    return std::abs(v - std::round(v)) < kRounding;
}

// Whether the transform keeps the axes along the device's (it turns by
// quarter turns at most, and scales or flips).
bool turnsByQuarters(const cairo_matrix_t& m) {
    return (m.xy == 0 && m.yx == 0) || (m.xx == 0 && m.yy == 0);
}

// Whether the transform only turns by quarter turns and moves by whole pixels,
// so that a picture drawn under it can be copied pixel for pixel.
bool movesWholePixels(const cairo_matrix_t& m) {
    const auto unit = [](double v) { return v == 0 || v == 1 || v == -1; };
    return unit(m.xx) && unit(m.yx) && unit(m.xy) && unit(m.yy) && isWhole(m.x0) && isWhole(m.y0);
}

// The whole number of device pixels one point spans when the transform only
// turns by quarter turns, flips, scales both axes alike by that number and
// moves by whole pixels (a HiDPI bitmap); 0 otherwise. A picture drawn under
// such a transform may be repeated by whole points.
int wholePixelsPerPoint(const cairo_matrix_t& m) {
    const double s = std::max(std::abs(m.xx), std::abs(m.yx));
    const auto ok = [s](double v) { return v == 0 || std::abs(v) == s; };
    if (!(s >= 1) || !isWhole(s) || !turnsByQuarters(m) || !ok(m.xx) || !ok(m.yx) || !ok(m.xy) ||
        !ok(m.yy) || std::abs(m.xx) + std::abs(m.xy) != s || !isWhole(m.x0) || !isWhole(m.y0))
        return 0;
    return static_cast<int>(s);
}

// A source that copies `bitmap` pixel for pixel, placed by `toBitmap`.
CairoPatternHandle copyPattern(const Bitmap& bitmap, const cairo_matrix_t& toBitmap,
                               cairo_extend_t extend) {
    cairo_surface_flush(bitmap.image());
    CairoPatternHandle pattern(cairo_pattern_create_for_surface(bitmap.image()));
    cairo_pattern_set_matrix(pattern.get(), &toBitmap);
    cairo_pattern_set_extend(pattern.get(), extend);
    cairo_pattern_set_filter(pattern.get(), CAIRO_FILTER_NEAREST);
    return pattern;
}

Rect intersection(const Rect& a, const Rect& b) {
    const double x0 = std::max(a.minX(), b.minX()), x1 = std::min(a.maxX(), b.maxX());
    const double y0 = std::max(a.minY(), b.minY()), y1 = std::min(a.maxY(), b.maxY());
    if (!(x1 > x0 && y1 > y0))
        return {};
    return {x0, y0, x1 - x0, y1 - y0};
}

void setSource(cairo_t* context, const Ink& ink) {
    cairo_set_source_rgba(context, ink.red, ink.green, ink.blue, ink.alpha);
}

cairo_fill_rule_t cairoRule(FillRule rule) {
    return rule == FillRule::evenOdd ? CAIRO_FILL_RULE_EVEN_ODD : CAIRO_FILL_RULE_WINDING;
}

// The installed faces closest in metrics to the names the cloth and the sample
// window ask for: Nimbus Sans is metric-compatible with Helvetica.
constexpr const char* kSansFamilies = "Nimbus Sans,DejaVu Sans";

PangoWeight weightOf(std::string_view fontName) {
    return fontName.ends_with("-Medium") ? PANGO_WEIGHT_MEDIUM
           : fontName.ends_with("-Bold") ? PANGO_WEIGHT_BOLD
                                         : PANGO_WEIGHT_NORMAL;
}

} // namespace

void CairoSurface::save() {
    cairo_save(context_);
    savedClips_.push_back(knownClip_);
}

void CairoSurface::restore() {
    cairo_restore(context_);
    if (!savedClips_.empty()) {
        knownClip_ = savedClips_.back();
        savedClips_.pop_back();
    }
}

void CairoSurface::translate(double dx, double dy) {
    cairo_translate(context_, dx, dy);
}

void CairoSurface::rotate(double radians) {
    // The frame is already flipped to y up, so cairo's positive angle turns
    // counter-clockwise as seen on the page. Quarter turns are made exact so
    // that rectangles stay pixel-aligned and cairo keeps its fast clip.
    const auto snap = [](double v) { return std::abs(v) < 1e-12 ? 0.0 : v; };
    const double cosine = snap(std::cos(radians)), sine = snap(std::sin(radians));
    cairo_matrix_t turn;
    cairo_matrix_init(&turn, cosine, sine, -sine, cosine, 0, 0);
    cairo_transform(context_, &turn);
}

void CairoSurface::enterFrame(const Frame& frame) {
    translate(frame.origin.x, frame.origin.y);
    rotate(frame.rotation);
}

bool CairoSurface::mapsOntoWholePixels(std::span<const Frame> frames, Size size) {
    if (!(size.width >= 1 && size.height >= 1) || !isWhole(size.width) || !isWhole(size.height) ||
        size.width * size.height > kLargestPicture)
        return false;
    for (const Frame& frame : frames) {
        cairo_save(context_);
        enterFrame(frame);
        cairo_matrix_t m;
        cairo_get_matrix(context_, &m);
        cairo_restore(context_);
        if (!movesWholePixels(m))
            return false;
    }
    return true;
}

void CairoSurface::scale(double sx, double sy) {
    cairo_scale(context_, sx, sy);
}

// cairo holds the current point rounded to its grid; a curve starts there.
// Under a fold that point is taken back to where the unfolded path has it,
// exactly, since the fold moves by whole device pixels.
Point CairoSurface::currentPoint(Point fallback) const {
    if (!cairo_has_current_point(context_))
        return fallback;
    Point p;
    cairo_get_current_point(context_, &p.x, &p.y);
    return {p.x - currentShift_.x, p.y - currentShift_.y};
}

Point CairoSurface::Fold::offset(Point p) const {
    return {(p.x - middle.x) * beyond.x > 0 ? shift.x : 0,
            (p.y - middle.y) * beyond.y > 0 ? shift.y : 0};
}

void CairoSurface::passPoint(Point p, bool move) {
    if (fold_) {
        currentShift_ = fold_->offset(p);
        p = {p.x + currentShift_.x, p.y + currentShift_.y};
        if (move)
            subpathShift_ = currentShift_;
    }
    if (move)
        cairo_move_to(context_, p.x, p.y);
    else
        cairo_line_to(context_, p.x, p.y);
}

// Curves are flattened here, in the frame's own coordinates, rather than by
// cairo in device space: the same shape then becomes the same polygon however
// the frame is turned, so a strip copied to the opposite edge matches one
// drawn there.
void CairoSurface::flattenCubic(Point p0, Point p1, Point p2, Point p3) {
    const double ax = p0.x - 2 * p1.x + p2.x, ay = p0.y - 2 * p1.y + p2.y;
    const double bx = p1.x - 2 * p2.x + p3.x, by = p1.y - 2 * p2.y + p3.y;
    const double bend = std::max(std::hypot(ax, ay), std::hypot(bx, by));
    // Enough chords that none strays more than the tolerance from the curve.
    const int chords =
        std::clamp(static_cast<int>(std::ceil(std::sqrt(0.75 * bend * deviceScale_ / kTolerance))),
                   1, kMaximumChords);
    for (int i = 1; i <= chords; ++i) {
        const double t = double(i) / chords, u = 1 - t;
        const double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
        passPoint(
            {a * p0.x + b * p1.x + c * p2.x + d * p3.x, a * p0.y + b * p1.y + c * p2.y + d * p3.y},
            false);
    }
}

void CairoSurface::replay(const Path& path) {
    // Lengths in the frame are multiplied by this on the device.
    double dx = 1, dy = 0;
    cairo_user_to_device_distance(context_, &dx, &dy);
    deviceScale_ = std::hypot(dx, dy);
    cairo_new_path(context_);
    for (const Path::Element& element : path.elements()) {
        const Point* p = element.points;
        switch (element.verb) {
        case Path::Verb::moveTo:
            passPoint(p[0], true);
            break;
        case Path::Verb::lineTo:
            passPoint(p[0], false);
            break;
        case Path::Verb::quadTo: {
            Point from = currentPoint(p[0]);
            // The cubic with the same curve as the quadratic (control p[0]).
            flattenCubic(
                from, {from.x + 2.0 / 3 * (p[0].x - from.x), from.y + 2.0 / 3 * (p[0].y - from.y)},
                {p[1].x + 2.0 / 3 * (p[0].x - p[1].x), p[1].y + 2.0 / 3 * (p[0].y - p[1].y)}, p[1]);
            break;
        }
        case Path::Verb::curveTo:
            flattenCubic(currentPoint(p[0]), p[0], p[1], p[2]);
            break;
        case Path::Verb::close:
            cairo_close_path(context_);
            currentShift_ = subpathShift_;
            break;
        }
    }
}

std::optional<Rect> CairoSurface::deviceRectangle(const Path& path) const {
    const auto& e = path.elements();
    if (e.size() != 5 || e[0].verb != Path::Verb::moveTo || e[4].verb != Path::Verb::close)
        return std::nullopt;
    Point corners[4];
    for (int i = 0; i < 4; ++i) {
        if (i > 0 && e[i].verb != Path::Verb::lineTo)
            return std::nullopt;
        corners[i] = e[i].points[0];
        cairo_user_to_device(context_, &corners[i].x, &corners[i].y);
    }
    // Axis-aligned on the device: each side keeps x or y.
    for (int i = 0; i < 4; ++i) {
        const Point a = corners[i], b = corners[(i + 1) % 4];
        if (a.x != b.x && a.y != b.y)
            return std::nullopt;
    }
    const double x0 = std::min({corners[0].x, corners[1].x, corners[2].x, corners[3].x});
    const double x1 = std::max({corners[0].x, corners[1].x, corners[2].x, corners[3].x});
    const double y0 = std::min({corners[0].y, corners[1].y, corners[2].y, corners[3].y});
    const double y1 = std::max({corners[0].y, corners[1].y, corners[2].y, corners[3].y});
    return Rect{x0, y0, x1 - x0, y1 - y0};
}

void CairoSurface::clip(const Path& path, FillRule rule) {
    if (knownClip_) {
        const std::optional<Rect> rectangle = deviceRectangle(path);
        knownClip_ =
            rectangle ? std::optional(intersection(*knownClip_, *rectangle)) : std::nullopt;
    }
    replay(path);
    cairo_set_fill_rule(context_, cairoRule(rule));
    cairo_clip(context_);
}

void CairoSurface::fill(const Path& path, const Ink& ink, FillRule rule) {
    replay(path);
    setSource(context_, ink);
    cairo_set_fill_rule(context_, cairoRule(rule));
    cairo_fill(context_);
}

void CairoSurface::stroke(const Path& path, const Ink& ink, const StrokeStyle& style) {
    replay(path);
    setSource(context_, ink);
    cairo_set_line_width(context_, style.width);
    cairo_set_line_cap(context_, style.round ? CAIRO_LINE_CAP_ROUND : CAIRO_LINE_CAP_BUTT);
    cairo_set_line_join(context_, style.round ? CAIRO_LINE_JOIN_ROUND : CAIRO_LINE_JOIN_MITER);
    cairo_set_dash(context_, style.dash.data(), static_cast<int>(style.dash.size()),
                   style.dashPhase);
    cairo_stroke(context_);
    cairo_set_dash(context_, nullptr, 0, 0);
}

void CairoSurface::strokeRing(const Ring& ring, std::span<const Stroke> strokes) {
    if (!strokeRingFolded(ring, strokes))
        strokeRingMasked(ring, strokes);
}

// The rectangles that hold the whole ring: its four corner squares and the
// four sides between them.
std::array<Rect, 8> ringCover(const DrawingSurface::Ring& ring) {
    const Rect& O = ring.outer;
    const double w = ring.width, k = ring.corner;
    const double across = O.width - 2 * k, along = O.height - 2 * k;
    return {{{O.minX(), O.minY(), k, k},
             {O.maxX() - k, O.minY(), k, k},
             {O.minX(), O.maxY() - k, k, k},
             {O.maxX() - k, O.maxY() - k, k, k},
             {O.minX() + k, O.minY(), across, w},
             {O.minX() + k, O.maxY() - w, across, w},
             {O.minX(), O.minY() + k, w, along},
             {O.maxX() - w, O.minY() + k, w, along}}};
}

void CairoSurface::strokeRingMasked(const Ring& ring, std::span<const Stroke> strokes) {
    // cairo lays a stroke's ink over the outline's whole bounding box: round
    // a large window that costs as much as painting the window. The coverage
    // goes into a mask on the same extent and under the same clip (a smaller
    // clip changes how cairo strokes the outline), then the ink is laid
    // through the mask on the ring's cover alone, which paints the same
    // pixels. The mask is cleared on the cover for the next path.
    save();
    clip(ring.clip, FillRule::evenOdd);
    cairo_surface_t* destination = cairo_get_group_target(context_);
    CairoContextHandle out(cairo_create(destination));
    for (const Rect& rect : ringCover(ring)) {
        const Rect onDevice = deviceRect(rect);
        const double x0 = std::floor(onDevice.minX()), y0 = std::floor(onDevice.minY());
        cairo_rectangle(out.get(), x0, y0, std::ceil(onDevice.maxX()) - x0,
                        std::ceil(onDevice.maxY()) - y0);
    }
    cairo_path_t* boxes = cairo_copy_path(out.get());
    cairo_clip(out.get());

    cairo_push_group_with_content(context_, CAIRO_CONTENT_ALPHA);
    CairoContextHandle clear(cairo_create(cairo_get_group_target(context_)));
    cairo_append_path(clear.get(), boxes);
    cairo_path_destroy(boxes);
    cairo_clip(clear.get());
    cairo_set_operator(clear.get(), CAIRO_OPERATOR_CLEAR);
    for (const Stroke& each : strokes) {
        stroke(each.path, Ink{1, 1, 1, 1}, each.style);
        setSource(out.get(), each.ink);
        cairo_mask_surface(out.get(), cairo_get_group_target(context_), 0, 0);
        cairo_paint(clear.get());
    }
    cairo_pattern_destroy(cairo_pop_group(context_));
    restore();
}

namespace {

// A run of device pixels along one axis of the long ring, and where the
// shortened ring has them: `from` moves by `shift`, or, for a stretched run,
// every pixel comes from the one at `from` + `shift`.
struct Run {
    int from = 0, to = 0;
    int shift = 0;
    bool stretched = false;
};

// An A8 mask whose every row (`alongX`) or column is one line of `small`.
CairoSurfaceHandle stretchedMask(cairo_surface_t* small, int x, int y, int across, int along,
                                 bool alongX) {
    CairoSurfaceHandle mask(cairo_image_surface_create(CAIRO_FORMAT_A8, alongX ? along : across,
                                                       alongX ? across : along));
    if (cairo_surface_status(mask.get()) != CAIRO_STATUS_SUCCESS)
        return mask;
    const unsigned char* from = cairo_image_surface_get_data(small);
    const int fromStride = cairo_image_surface_get_stride(small);
    unsigned char* to = cairo_image_surface_get_data(mask.get());
    const int stride = cairo_image_surface_get_stride(mask.get());
    for (int i = 0; i < (alongX ? across : along); ++i) {
        if (alongX)
            std::memset(to + i * stride, from[(y + i) * fromStride + x], along);
        else
            std::memcpy(to + i * stride, from + y * fromStride + x, across);
    }
    cairo_surface_mark_dirty(mask.get());
    return mask;
}

// The first and one past the last index in [from, to) of a line of `small`
// that is not zero: along x at row `fixed`, or along y at column `fixed`.
std::pair<int, int> inkedSpan(cairo_surface_t* small, int fixed, int from, int to, bool alongX) {
    const unsigned char* data = cairo_image_surface_get_data(small);
    const int stride = cairo_image_surface_get_stride(small);
    const auto at = [&](int i) {
        return alongX ? data[fixed * stride + i] : data[i * stride + fixed];
    };
    while (from < to && at(from) == 0)
        ++from;
    while (to > from && at(to - 1) == 0)
        --to;
    return {from, to};
}

// Lays the source of `out` through the mask of the long ring that `small`
// (the shortened ring's mask, its corner at `left`, `top`) stands for:
// runs moved as they are, stretched runs from one line of `small`, nothing
// where both runs are stretched (inside the window).
void layThroughShortRing(cairo_t* out, cairo_surface_t* small, int left, int top,
                         const std::array<std::vector<Run>, 2>& runs) {
    for (const Run& y : runs[1])
        for (const Run& x : runs[0]) {
            if ((x.stretched && y.stretched) || x.to <= x.from || y.to <= y.from)
                continue;
            if (!x.stretched && !y.stretched) {
                cairo_save(out);
                cairo_rectangle(out, x.from, y.from, x.to - x.from, y.to - y.from);
                cairo_clip(out);
                cairo_mask_surface(out, small, left - x.shift, top - y.shift);
                cairo_restore(out);
                continue;
            }
            const bool rows = x.stretched; // every row of the run is one line
            const Run& across = rows ? y : x;
            const int line = (rows ? x.from - left : y.from - top);
            const int origin = rows ? top : left;
            const auto [a, b] = inkedSpan(small, line, across.from + across.shift - origin,
                                          across.to + across.shift - origin, !rows);
            if (a >= b)
                continue;
            const CairoSurfaceHandle mask =
                stretchedMask(small, rows ? line : a, rows ? a : line, b - a,
                              rows ? x.to - x.from : y.to - y.from, rows);
            const int at = a + origin - across.shift;
            cairo_mask_surface(out, mask.get(), rows ? x.from : at, rows ? at : y.from);
        }
}

// A clip that trims nothing on a `width` × `height` picture yet is not a
// rectangle. Under a curved clip cairo intersects each shape with the clip's
// outline, which splits the shape's edges wherever its own outline turns, and
// those splits move its anti-aliasing by a unit or two. For shapes the clip
// does not reach, a triangle far round the picture makes the very same
// splits, with three edges to sweep past instead of every edge of a ring.
void clipAroundPicture(cairo_t* context, int width, int height) {
    cairo_matrix_t matrix;
    cairo_get_matrix(context, &matrix);
    cairo_identity_matrix(context);
    const double far = 2.0 * (width + height);
    cairo_new_path(context);
    cairo_move_to(context, -far, -far);
    cairo_line_to(context, 3 * far, -far);
    cairo_line_to(context, -far, 3 * far);
    cairo_close_path(context);
    cairo_clip(context);
    cairo_set_matrix(context, &matrix);
}

} // namespace

std::optional<CairoSurface::Box> CairoSurface::clipRectangle() const {
    if (!keepsMotifs_ || !knownClip_)
        return std::nullopt;
    cairo_surface_t* target = cairo_get_group_target(context_);
    const Rect known =
        intersection(*knownClip_, {0, 0, double(cairo_image_surface_get_width(target)),
                                   double(cairo_image_surface_get_height(target))});
    return Box{known.minX(), known.minY(), known.maxX(), known.maxY()};
}

bool CairoSurface::clipHolds(const Box& box) const {
    cairo_rectangle_list_t* list = cairo_copy_clip_rectangle_list(context_);
    bool holds = false;
    if (list->status == CAIRO_STATUS_SUCCESS)
        for (int i = 0; i < list->num_rectangles && !holds; ++i) {
            const cairo_rectangle_t& r = list->rectangles[i];
            const Rect d = deviceRect({r.x, r.y, r.width, r.height});
            holds = d.minX() <= box[0] && d.minY() <= box[1] && d.maxX() >= box[2] &&
                    d.maxY() >= box[3];
        }
    cairo_rectangle_list_destroy(list);
    return holds;
}

bool CairoSurface::strokeRingFolded(const Ring& ring, std::span<const Stroke> strokes) {
    cairo_matrix_t toDevice;
    cairo_get_matrix(context_, &toDevice);
    // With a power of two pixels per point, moving a point by whole pixels
    // and back is exact, so the shortened ring's outline is the long one's
    // moved, to the bit, and so are its pixels.
    const int pixelsPerPoint = wholePixelsPerPoint(toDevice);
    if (pixelsPerPoint == 0 || (pixelsPerPoint & (pixelsPerPoint - 1)) != 0)
        return false;
    double widest = 0;
    for (const Stroke& each : strokes) {
        // Dashes would land elsewhere along a shorter outline.
        if (!each.style.dash.empty())
            return false;
        widest = std::max(widest, each.style.width);
    }
    const Rect outer = deviceRect(ring.outer);
    const Box box = {std::floor(outer.minX()), std::floor(outer.minY()), std::ceil(outer.maxX()),
                     std::ceil(outer.maxY())};
    // The ink is laid straight onto the target, so the clip in force, however
    // it was set, must leave the whole ring open.
    if (!clipHolds(box))
        return false;

    // Along each device axis: the corner squares, then a margin past the
    // joins and caps where the sides are straight, then the run every line
    // across the side is the same on, cut out but for its first pixel.
    const double corner = ring.corner * pixelsPerPoint;
    const double margin = std::ceil(widest * pixelsPerPoint) + kFoldMargin;
    const double side[2] = {outer.width - 2 * corner, outer.height - 2 * corner};
    int cut[2], start[2];
    for (int a = 0; a < 2; ++a) {
        cut[a] = std::max(0, static_cast<int>(std::floor(side[a] - 2 * margin - 2)));
        start[a] =
            static_cast<int>(std::floor((a == 0 ? outer.minX() : outer.minY()) + corner) + margin);
    }
    if (cut[0] + cut[1] < kShortestFold)
        return false;

    // The same cut in the frame: points beyond the middle move towards it.
    Fold fold{{ring.outer.midX(), ring.outer.midY()}, {}, {}};
    const double alongX = toDevice.xx != 0 ? toDevice.xx : toDevice.yx;
    const double alongY = toDevice.yy != 0 ? toDevice.yy : toDevice.xy;
    fold.beyond = {alongX > 0 ? 1.0 : -1.0, alongY > 0 ? 1.0 : -1.0};
    fold.shift = {-cut[toDevice.xx != 0 ? 0 : 1] / alongX, -cut[toDevice.yy != 0 ? 1 : 0] / alongY};

    const int left = static_cast<int>(box[0]), top = static_cast<int>(box[1]);
    const int width = static_cast<int>(box[2] - box[0]) - cut[0];
    const int height = static_cast<int>(box[3] - box[1]) - cut[1];
    CairoSurfaceHandle small(cairo_image_surface_create(CAIRO_FORMAT_A8, width, height));
    if (cairo_surface_status(small.get()) != CAIRO_STATUS_SUCCESS)
        return false;
    CairoContextHandle smallContext(cairo_create(small.get()));
    cairo_matrix_t toSmall = toDevice;
    toSmall.x0 -= left;
    toSmall.y0 -= top;
    cairo_set_matrix(smallContext.get(), &toSmall);
    cairo_set_tolerance(smallContext.get(), cairo_get_tolerance(context_));
    cairo_set_antialias(smallContext.get(), cairo_get_antialias(context_));
    CairoSurface folded(smallContext.get(), fold);
    if (ring.strokesInside)
        clipAroundPicture(smallContext.get(), width, height);
    else
        folded.clip(ring.clip, FillRule::evenOdd);

    // The long ring's runs along each axis, in device pixels.
    std::array<std::vector<Run>, 2> runs;
    for (int a = 0; a < 2; ++a) {
        const int first = static_cast<int>(box[a]), last = static_cast<int>(box[a + 2]);
        runs[a] = {{first, start[a], 0, false},
                   {start[a], start[a] + cut[a], 0, true},
                   {start[a] + cut[a], last, -cut[a], false}};
    }
    CairoContextHandle out(cairo_create(cairo_get_group_target(context_)));
    unsigned char* data = cairo_image_surface_get_data(small.get());
    const int stride = cairo_image_surface_get_stride(small.get());
    for (const Stroke& each : strokes) {
        folded.stroke(each.path, Ink{1, 1, 1, 1}, each.style);
        cairo_surface_flush(small.get());
        setSource(out.get(), each.ink);
        layThroughShortRing(out.get(), small.get(), left, top, runs);
        std::memset(data, 0, static_cast<std::size_t>(stride) * height);
        cairo_surface_mark_dirty(small.get());
    }
    return true;
}

void CairoSurface::fillLinearGradient(const Path& area, const std::vector<GradientStop>& stops,
                                      Point start, Point end) {
    const CairoPatternHandle gradient(cairo_pattern_create_linear(start.x, start.y, end.x, end.y));
    for (const GradientStop& stop : stops)
        cairo_pattern_add_color_stop_rgba(gradient.get(), stop.location, stop.color.red,
                                          stop.color.green, stop.color.blue, stop.color.alpha);
    cairo_pattern_set_extend(gradient.get(), CAIRO_EXTEND_NONE);
    // pixman steps a gradient pixel by pixel from where each composite
    // starts, so one composite for all gives the same pixels only where the
    // colour changes from row to row alone.
    double alongRow = end.x - start.x, alongColumn = end.y - start.y;
    cairo_user_to_device_distance(context_, &alongRow, &alongColumn);
    if (alongRow == 0 && fillThroughMask(area, gradient.get()))
        return;
    replay(area);
    cairo_set_source(context_, gradient.get());
    cairo_set_fill_rule(context_, CAIRO_FILL_RULE_WINDING);
    cairo_fill(context_);
}

namespace {

int pointsOf(Path::Verb verb) {
    return verb == Path::Verb::close     ? 0
           : verb == Path::Verb::quadTo  ? 2
           : verb == Path::Verb::curveTo ? 3
                                         : 1;
}

using PixelBox = std::array<double, 4>; // x0, y0, x1, y1
constexpr PixelBox kNoPixels{INFINITY, INFINITY, -INFINITY, -INFINITY};

bool overlap(const PixelBox& a, const PixelBox& b) {
    return a[0] < b[2] && b[0] < a[2] && a[1] < b[3] && b[1] < a[3];
}

PixelBox joined(const PixelBox& a, const PixelBox& b) {
    return {std::min(a[0], b[0]), std::min(a[1], b[1]), std::max(a[2], b[2]), std::max(a[3], b[3])};
}

} // namespace

bool CairoSurface::fillThroughMask(const Path& area, cairo_pattern_t* source) {
    // Only where the clip is known to be one rectangle, the one made here.
    const std::optional<Box> clip = clipRectangle();
    if (!clip || !drawsOnPlainImage() || cairo_get_operator(context_) != CAIRO_OPERATOR_OVER)
        return false;

    // Each shape (a subpath) with the whole device pixels its points touch.
    struct Shape {
        std::size_t begin = 0, end = 0;
        Box pixels = kNoPixels;
        bool cut = false;
    };
    std::vector<Shape> shapes;
    const auto& elements = area.elements();
    for (std::size_t i = 0; i < elements.size(); ++i) {
        if (shapes.empty() || elements[i].verb == Path::Verb::moveTo)
            shapes.push_back({i, i, kNoPixels, false});
        Shape& shape = shapes.back();
        shape.end = i + 1;
        for (int k = 0; k < pointsOf(elements[i].verb); ++k) {
            double x = elements[i].points[k].x, y = elements[i].points[k].y;
            cairo_user_to_device(context_, &x, &y);
            shape.pixels =
                joined(shape.pixels, {std::floor(x), std::floor(y), std::ceil(x), std::ceil(y)});
        }
    }
    // cairo composites a clip's antialiased edge into a fill otherwise than
    // through a mask, so shapes whose pixels the clip reaches, and any that
    // share a pixel with those, are filled in place.
    for (Shape& shape : shapes)
        shape.cut = !(std::isfinite(shape.pixels[0]) && shape.pixels[0] >= (*clip)[0] &&
                      shape.pixels[1] >= (*clip)[1] && shape.pixels[2] <= (*clip)[2] &&
                      shape.pixels[3] <= (*clip)[3]);
    for (bool spread = true; spread;) {
        spread = false;
        for (Shape& shape : shapes)
            for (const Shape& other : shapes)
                if (!shape.cut && other.cut && overlap(shape.pixels, other.pixels))
                    shape.cut = spread = true;
    }
    Path inPlace, masked;
    Box box = kNoPixels;
    for (const Shape& shape : shapes) {
        for (std::size_t i = shape.begin; i < shape.end; ++i)
            (shape.cut ? inPlace : masked).add(elements[i]);
        if (!shape.cut)
            box = joined(box, shape.pixels);
    }
    if (masked.isEmpty())
        return false;
    const int left = static_cast<int>(box[0]), top = static_cast<int>(box[1]);
    const int width = static_cast<int>(box[2]) - left, height = static_cast<int>(box[3]) - top;
    CairoSurfaceHandle mask(cairo_image_surface_create(CAIRO_FORMAT_A8, width, height));
    if (cairo_surface_status(mask.get()) != CAIRO_STATUS_SUCCESS)
        return false;
    if (!inPlace.isEmpty()) {
        replay(inPlace);
        cairo_set_source(context_, source);
        cairo_set_fill_rule(context_, CAIRO_FILL_RULE_WINDING);
        cairo_fill(context_);
    }

    // The coverage, rasterised on the same pixels.
    cairo_matrix_t toDevice, toMask;
    cairo_get_matrix(context_, &toDevice);
    toMask = toDevice;
    toMask.x0 -= left;
    toMask.y0 -= top;
    CairoContextHandle maskContext(cairo_create(mask.get()));
    cairo_set_matrix(maskContext.get(), &toMask);
    cairo_set_tolerance(maskContext.get(), cairo_get_tolerance(context_));
    cairo_set_antialias(maskContext.get(), cairo_get_antialias(context_));
    CairoSurface(maskContext.get()).fill(masked, Ink{1, 1, 1, 1}, FillRule::winding);
    cairo_surface_flush(mask.get());

    // The source through it, in one composite rather than one a run of
    // pixels; the clip does not reach these shapes.
    CairoContextHandle out(cairo_create(cairo_get_group_target(context_)));
    cairo_set_matrix(out.get(), &toDevice);
    cairo_set_source(out.get(), source);
    cairo_identity_matrix(out.get());
    cairo_mask_surface(out.get(), mask.get(), left, top);
    return true;
}

std::unique_ptr<Bitmap> CairoSurface::scratchBitmap(const Rect& rect, cairo_matrix_t& toScratch) {
    const Rect device = deviceRect(rect);
    const double left = std::floor(device.minX()), top = std::floor(device.minY());
    std::unique_ptr<Bitmap> scratch;
    try {
        scratch = std::make_unique<Bitmap>(static_cast<int>(std::ceil(device.maxX()) - left),
                                           static_cast<int>(std::ceil(device.maxY()) - top));
    } catch (const RenderError&) {
        return nullptr; // drawing must not fail for want of a scratch bitmap
    }
    // Nobody else draws on it or clips it, so the clip made through its
    // surface is the whole clip.
    static_cast<CairoSurface&>(scratch->surface()).keepsMotifs_ = true;
    cairo_get_matrix(context_, &toScratch);
    toScratch.x0 -= left;
    toScratch.y0 -= top;
    cairo_set_matrix(scratch->context(), &toScratch);
    return scratch;
}

bool CairoSurface::drawsOnPlainImage() const {
    cairo_surface_t* target = cairo_get_group_target(context_);
    double offsetX = 0, offsetY = 0;
    cairo_surface_get_device_offset(target, &offsetX, &offsetY);
    return cairo_surface_get_type(target) == CAIRO_SURFACE_TYPE_IMAGE &&
           cairo_image_surface_get_format(target) == CAIRO_FORMAT_ARGB32 && offsetX == 0 &&
           offsetY == 0;
}

bool CairoSurface::drawFrameApart(const Frame& frame, Size size,
                                  const std::function<void(DrawingSurface&)>& draw) {
    // The picture lies on the very device pixels the frame covers, so every
    // shape in it gets the pixels it would get in place; the frame's own clip
    // runs along whole pixels and the picture's first paint is opaque, so
    // what lay beneath and the clip cannot tell the two apart either.
    const Rect rect{0, 0, size.width, size.height};
    cairo_save(context_);
    enterFrame(frame);
    cairo_matrix_t toDevice, toPicture;
    cairo_get_matrix(context_, &toDevice);
    const Rect d = deviceRect(rect);
    const bool apart = wholePixelsPerPoint(toDevice) > 0 && d.isFinite() && isWhole(d.minX()) &&
                       isWhole(d.minY()) && isWhole(d.maxX()) && isWhole(d.maxY()) &&
                       d.width * d.height <= kLargestPicture && drawsOnPlainImage() &&
                       clipHolds({d.minX(), d.minY(), d.maxX(), d.maxY()});
    std::unique_ptr<Bitmap> picture = apart ? scratchBitmap(rect, toPicture) : nullptr;
    cairo_restore(context_);
    if (!picture)
        return false;
    draw(picture->surface());

    cairo_save(context_);
    cairo_identity_matrix(context_);
    cairo_new_path(context_);
    cairo_rectangle(context_, d.minX(), d.minY(), d.width, d.height);
    cairo_matrix_t toCopy;
    cairo_matrix_init_translate(&toCopy, -d.minX(), -d.minY());
    auto copy = copyPattern(*picture, toCopy, CAIRO_EXTEND_NONE);
    cairo_set_source(context_, copy.get());
    cairo_fill(context_);
    cairo_restore(context_);
    return true;
}

void CairoSurface::drawInFrames(std::span<const Frame> frames, Size size,
                                const std::function<void(DrawingSurface&)>& draw) {
    if (frames.size() < 2 || !mapsOntoWholePixels(frames, size)) {
        for (const Frame& frame : frames)
            if (!drawFrameApart(frame, size, draw))
                DrawingSurface::drawInFrames({&frame, 1}, size, draw);
        return;
    }

    // The picture is drawn exactly as the first frame lies on the device, so
    // that frame gets the very pixels direct drawing would give. cairo's
    // antialiasing is nearly symmetric under a half turn (the copy moves only
    // antialiased pixels, within the bound drawInFrames promises) but not
    // under a quarter turn, so only frames a half turn apart are handed here.
    cairo_matrix_t toPicture;
    cairo_save(context_);
    enterFrame(frames[0]);
    std::unique_ptr<Bitmap> picture = scratchBitmap({0, 0, size.width, size.height}, toPicture);
    cairo_restore(context_);
    if (!picture)
        return DrawingSurface::drawInFrames(frames, size, draw);
    draw(picture->surface());

    // A point of the frame comes from the same picture pixel in every frame.
    auto copy = copyPattern(*picture, toPicture, CAIRO_EXTEND_NONE);
    for (const Frame& frame : frames) {
        cairo_save(context_);
        enterFrame(frame);
        cairo_new_path(context_);
        cairo_rectangle(context_, 0, 0, size.width, size.height);
        cairo_set_source(context_, copy.get());
        cairo_fill(context_);
        cairo_restore(context_);
    }
}

namespace {

// The pixels of `image` in `width` by `height` from (x, y).
std::vector<std::uint32_t> readPixels(cairo_surface_t* image, int x, int y, int width, int height) {
    const unsigned char* data = cairo_image_surface_get_data(image);
    const int stride = cairo_image_surface_get_stride(image);
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height);
    for (int row = 0; row < height; ++row)
        std::memcpy(pixels.data() + static_cast<std::size_t>(row) * width,
                    data + (y + row) * stride + x * 4, width * 4);
    return pixels;
}

void writePixels(cairo_surface_t* image, int x, int y, int width, int height,
                 const std::vector<std::uint32_t>& pixels) {
    unsigned char* data = cairo_image_surface_get_data(image);
    const int stride = cairo_image_surface_get_stride(image);
    for (int row = 0; row < height; ++row)
        std::memcpy(data + (y + row) * stride + x * 4,
                    pixels.data() + static_cast<std::size_t>(row) * width, width * 4);
    cairo_surface_mark_dirty_rectangle(image, x, y, width, height);
}

} // namespace

std::optional<CairoSurface::MotifPlace> CairoSurface::motifPlace(const Rect& bounds) const {
    cairo_surface_t* target = cairo_get_group_target(context_);
    cairo_matrix_t m;
    cairo_get_matrix(context_, &m);
    if (!drawsOnPlainImage() || !turnsByQuarters(m) || !bounds.isFinite())
        return std::nullopt;
    const std::optional<Box> clip = clipRectangle();
    if (!clip)
        return std::nullopt;
    // The whole pixels the bounds touch (cairo's antialiasing is the share of
    // a pixel a shape covers, so it stays within them), cut to the target and
    // to the clip, which must cut the box along whole pixels only: pixels it
    // cuts away are then just not painted.
    const Rect d = deviceRect(bounds);
    const Box whole = {std::floor(d.minX()), std::floor(d.minY()), std::ceil(d.maxX()),
                       std::ceil(d.maxY())};
    const Box box = {
        std::max({whole[0], (*clip)[0], 0.0}), std::max({whole[1], (*clip)[1], 0.0}),
        std::min({whole[2], (*clip)[2], double(cairo_image_surface_get_width(target))}),
        std::min({whole[3], (*clip)[3], double(cairo_image_surface_get_height(target))})};
    for (int side = 0; side < 4; ++side)
        if (box[side] != whole[side] && !isWhole(box[side]))
            return std::nullopt;
    if (!(box[2] > box[0] && box[3] > box[1]) ||
        (box[2] - box[0]) * (box[3] - box[1]) > kLargestMotif)
        return std::nullopt;
    return MotifPlace{static_cast<int>(box[0]),
                      static_cast<int>(box[1]),
                      static_cast<int>(box[2] - box[0]),
                      static_cast<int>(box[3] - box[1]),
                      {m.xx, m.yx, m.xy, m.yy, m.x0 - box[0], m.y0 - box[1], box[0] - whole[0],
                       box[1] - whole[1], whole[2] - box[2], whole[3] - box[3]}};
}

bool CairoSurface::MotifPlace::liesAs(const MotifPlace& other) const {
    // Motifs a whole number of pixels apart may lie a rounding error off,
    // far below what cairo's grid of 1/256 pixel tells apart.
    constexpr double kSamePlace = 1e-9;
    if (width != other.width || height != other.height)
        return false;
    for (std::size_t i = 0; i < placement.size(); ++i)
        if (i == 4 || i == 5 ? !(std::abs(other.placement[i] - placement[i]) < kSamePlace)
                             : other.placement[i] != placement[i])
            return false;
    return true;
}

void CairoSurface::drawMotif(int motif, const Rect& bounds,
                             const std::function<void(DrawingSurface&)>& draw) {
    const std::optional<MotifPlace> place = motifPlace(bounds);
    cairo_surface_t* target = cairo_get_group_target(context_);
    std::vector<std::uint32_t> backdrop;
    if (place) {
        cairo_surface_flush(target);
        backdrop = readPixels(target, place->x, place->y, place->width, place->height);
        for (const PaintedMotif& kept : motifs_)
            if (kept.motif == motif && kept.place.liesAs(*place) && kept.backdrop == backdrop)
                return writePixels(target, place->x, place->y, place->width, place->height,
                                   kept.painted);
    }
    save();
    draw(*this);
    restore();
    if (!place)
        return;
    cairo_surface_flush(target);
    if (motifs_.size() >= kMotifsKept)
        motifs_.erase(motifs_.begin());
    motifs_.push_back({motif, *place, std::move(backdrop),
                       readPixels(target, place->x, place->y, place->width, place->height)});
}

Rect CairoSurface::wholePixelsWithin(const Rect& rect) const {
    cairo_matrix_t m;
    cairo_get_matrix(context_, &m);
    const Rect d = deviceRect(rect);
    if (!turnsByQuarters(m) || !d.isFinite())
        return {};
    double x0 = std::ceil(d.minX() - kRounding), y0 = std::ceil(d.minY() - kRounding);
    double x1 = std::floor(d.maxX() + kRounding), y1 = std::floor(d.maxY() + kRounding);
    if (x1 <= x0 || y1 <= y0)
        return {};
    cairo_device_to_user(context_, &x0, &y0);
    cairo_device_to_user(context_, &x1, &y1);
    return {std::min(x0, x1), std::min(y0, y1), std::abs(x1 - x0), std::abs(y1 - y0)};
}

Rect CairoSurface::deviceRect(const Rect& rect) const {
    double x0 = rect.minX(), y0 = rect.minY(), x1 = rect.maxX(), y1 = rect.maxY();
    cairo_user_to_device(context_, &x0, &y0);
    cairo_user_to_device(context_, &x1, &y1);
    return {std::min(x0, x1), std::min(y0, y1), std::abs(x1 - x0), std::abs(y1 - y0)};
}

bool CairoSurface::canTile(const Rect& area, double period) const {
    cairo_matrix_t toDevice;
    cairo_get_matrix(context_, &toDevice);
    // The clip must be known exactly to keep its antialiased edges as direct
    // drawing makes them.
    const int pixelsPerPoint = wholePixelsPerPoint(toDevice);
    const double pixels = pixelsPerPoint * pixelsPerPoint * period * area.height;
    return period >= 1 && isWhole(period) && area.isFinite() && area.width > 2 * period &&
           pixelsPerPoint > 0 && pixels <= kLargestPicture && knownClip_;
}

void CairoSurface::fillPeriodic(const Rect& area, double period, const Ink& ground,
                                const std::function<void(DrawingSurface&, double, double)>& draw) {
    if (!canTile(area, period))
        return DrawingSurface::fillPeriodic(area, period, ground, draw);

    // One period, x from 0 to `period`, on the same pixel grid as the frame.
    cairo_matrix_t toTile;
    std::unique_ptr<Bitmap> tile = scratchBitmap({0, area.minY(), period, area.height}, toTile);
    if (!tile)
        return DrawingSurface::fillPeriodic(area, period, ground, draw);
    tile->surface().fill(Path().addRect({0, area.minY(), period, area.height}), ground);
    draw(tile->surface(), 0, period);
    const TileLayout layout = tileLayout(area, {});
    fillWithTile(copyPattern(*tile, toTile, CAIRO_EXTEND_REPEAT).get(), layout, draw);
}

void CairoSurface::fillPeriodicOver(
    const Rect& area, double period, double reach, std::span<const Span> keepOut,
    const std::function<void(DrawingSurface&, double, double)>& draw) {
    if (!canTile(area, period))
        return DrawingSurface::fillPeriodicOver(area, period, reach, keepOut, draw);
    const TileLayout layout = overLayout(area, reach, keepOut);
    if (layout.copied.empty())
        return DrawingSurface::fillPeriodicOver(area, period, reach, keepOut, draw);
    if (repeatInPlace(layout, period, reach, draw))
        return;

    cairo_matrix_t toTile;
    std::unique_ptr<Bitmap> tile = scratchBitmap({0, area.minY(), period, area.height}, toTile);
    if (!tile)
        return DrawingSurface::fillPeriodicOver(area, period, reach, keepOut, draw);
    // The backdrop is the same all along, so one line of pixels already
    // painted across the strip, spread over the tile, is exactly what lies
    // under every repeat: no need to know how it was painted.
    const Rect tileOnDevice = deviceRect({0, area.minY(), period, area.height});
    const double left = std::floor(tileOnDevice.minX()), top = std::floor(tileOnDevice.minY());
    const bool alongX = layout.axis == 0;
    std::unique_ptr<Bitmap> line;
    try {
        line = std::make_unique<Bitmap>(alongX ? 1 : tile->width(), alongX ? tile->height() : 1);
    } catch (const RenderError&) {
        return DrawingSurface::fillPeriodicOver(area, period, reach, keepOut, draw);
    }
    cairo_t* l = line->context();
    cairo_identity_matrix(l);
    cairo_set_operator(l, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(l, cairo_get_target(context_), alongX ? -layout.plain : -left,
                             alongX ? -top : -layout.plain);
    cairo_paint(l);
    cairo_surface_flush(line->image());
    cairo_t* t = tile->context();
    cairo_save(t);
    cairo_identity_matrix(t);
    cairo_set_operator(t, CAIRO_OPERATOR_SOURCE);
    CairoPatternHandle spread(cairo_pattern_create_for_surface(line->image()));
    cairo_pattern_set_extend(spread.get(), CAIRO_EXTEND_PAD);
    cairo_pattern_set_filter(spread.get(), CAIRO_FILTER_NEAREST);
    cairo_set_source(t, spread.get());
    cairo_paint(t);
    cairo_restore(t);

    draw(tile->surface(), 0, period);
    // In place first and unclipped, as direct drawing paints those pixels
    // (a clip of a place's own pixels moves its antialiasing by a unit at
    // times); the copy then covers what spills beside each place.
    drawInPlace(layout, false, draw);
    copyTile(copyPattern(*tile, toTile, CAIRO_EXTEND_REPEAT).get(), layout);
}

void CairoSurface::fillPeriodicOverRepeats(
    const Rect& area, double period, double reach,
    const std::function<void(DrawingSurface&, double, double)>& draw) {
    // A repeat painted in place lies over what every other one does, since
    // that repeats too; no other way of taking a backdrop holds.
    if (canTile(area, period)) {
        const TileLayout layout = overLayout(area, reach, {});
        if (!layout.copied.empty() && repeatInPlace(layout, period, reach, draw))
            return;
    }
    DrawingSurface::fillPeriodicOverRepeats(area, period, reach, draw);
}

bool CairoSurface::repeatInPlace(const TileLayout& layout, double period, double reach,
                                 const std::function<void(DrawingSurface&, double, double)>& draw) {
    cairo_matrix_t toDevice;
    cairo_get_matrix(context_, &toDevice);
    const int pixelsPerPoint = wholePixelsPerPoint(toDevice);
    const double repeat = period * pixelsPerPoint, spill = std::ceil(reach * pixelsPerPoint);
    const int axis = layout.axis;
    // One repeat with room for what spills either side, all of it copied
    // over afterwards.
    const auto room = std::find_if(layout.copied.begin(), layout.copied.end(), [&](const Box& b) {
        return b[axis + 2] - b[axis] >= repeat + 2 * spill;
    });
    if (room == layout.copied.end())
        return false;
    Box block = *room;
    block[axis] += spill;
    block[axis + 2] = block[axis] + repeat;
    std::unique_ptr<Bitmap> tile;
    try {
        tile = std::make_unique<Bitmap>(static_cast<int>(block[2] - block[0]),
                                        static_cast<int>(block[3] - block[1]));
    } catch (const RenderError&) {
        return false;
    }
    drawInPlace({{}, {block}, axis, 0}, false, draw);
    cairo_surface_flush(cairo_get_target(context_));
    cairo_t* t = tile->context();
    cairo_identity_matrix(t);
    cairo_set_operator(t, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(t, cairo_get_target(context_), -block[0], -block[1]);
    cairo_paint(t);
    cairo_surface_flush(tile->image());

    drawInPlace(layout, false, draw);
    CairoPatternHandle copy(cairo_pattern_create_for_surface(tile->image()));
    cairo_matrix_t toBlock;
    cairo_matrix_init_translate(&toBlock, -block[0], -block[1]);
    cairo_pattern_set_matrix(copy.get(), &toBlock);
    cairo_pattern_set_extend(copy.get(), CAIRO_EXTEND_REPEAT);
    cairo_pattern_set_filter(copy.get(), CAIRO_FILTER_NEAREST);
    cairo_save(context_);
    cairo_identity_matrix(context_);
    cairo_set_source(context_, copy.get());
    cairo_new_path(context_);
    for (const Box& box : layout.copied)
        cairo_rectangle(context_, box[0], box[1], box[2] - box[0], box[3] - box[1]);
    cairo_fill(context_);
    cairo_restore(context_);
    return true;
}

CairoSurface::TileLayout CairoSurface::overLayout(const Rect& area, double reach,
                                                  std::span<const Span> keepOut) const {
    TileLayout layout;
    const Rect visible = intersection(deviceRect(area), *knownClip_);
    if (visible.isEmpty())
        return layout;
    cairo_matrix_t toDevice;
    cairo_get_matrix(context_, &toDevice);
    const int axis = layout.axis = toDevice.xx != 0 ? 0 : 1;
    const double lo[2] = {visible.minX(), visible.minY()}, hi[2] = {visible.maxX(), visible.maxY()};
    // Across the frame's x the area must cover whole pixels.
    if (!isWhole(lo[1 - axis]) || !isWhole(hi[1 - axis]))
        return layout;
    const double o0 = std::floor(lo[axis]), o1 = std::ceil(hi[axis]);
    const double i0 = std::ceil(lo[axis]), i1 = std::floor(hi[axis]);
    // cairo strokes a line that the clip's edge cuts a little differently from
    // one it does not, so every pixel a shape crossing the edge can reach is
    // drawn in place.
    const double spill = std::ceil(reach * wholePixelsPerPoint(toDevice));
    std::vector<std::pair<double, double>> spans = {{o0, std::min(i0 + spill, o1)},
                                                    {std::max(i1 - spill, o0), o1}};
    for (const Span& span : keepOut) {
        const Rect d = deviceRect({span.from, area.minY(), span.to - span.from, area.height});
        const double a = std::max(std::floor(axis == 0 ? d.minX() : d.minY()), o0);
        const double b = std::min(std::ceil(axis == 0 ? d.maxX() : d.maxY()), o1);
        if (b > a)
            spans.emplace_back(a, b);
    }
    std::sort(spans.begin(), spans.end());
    // Places whose spill could meet merge, so that no pixel is drawn in place
    // twice.
    std::vector<std::pair<double, double>> merged;
    for (const auto& sp : spans) {
        if (!merged.empty() && sp.first < merged.back().second + 2 * spill + 1)
            merged.back().second = std::max(merged.back().second, sp.second);
        else
            merged.push_back(sp);
    }
    const auto box = [&](double a, double b) {
        return axis == 0 ? Box{a, lo[1], b, hi[1]} : Box{lo[0], a, hi[0], b};
    };
    double next = o0;
    for (const auto& [a, b] : merged) {
        if (a > next)
            layout.copied.push_back(box(next, a));
        layout.inPlace.push_back(box(a, b));
        next = b;
    }
    if (o1 > next)
        layout.copied.push_back(box(next, o1));
    if (!layout.copied.empty())
        layout.plain = layout.copied.front()[axis];
    return layout;
}

CairoSurface::TileLayout CairoSurface::tileLayout(const Rect& area,
                                                  std::span<const Span> keepOut) const {
    TileLayout layout;
    const Rect visible = intersection(deviceRect(area), *knownClip_);
    if (visible.isEmpty())
        return layout;
    cairo_matrix_t toDevice;
    cairo_get_matrix(context_, &toDevice);
    const double outer[4] = {std::floor(visible.minX()), std::floor(visible.minY()),
                             std::ceil(visible.maxX()), std::ceil(visible.maxY())};
    const double inner[4] = {std::ceil(visible.minX()), std::ceil(visible.minY()),
                             std::floor(visible.maxX()), std::floor(visible.maxY())};
    // Left, right, bottom and top rims.
    layout.inPlace = {{outer[0], outer[1], inner[0], outer[3]},
                      {inner[2], outer[1], outer[2], outer[3]},
                      {inner[0], outer[1], inner[2], inner[1]},
                      {inner[0], inner[3], inner[2], outer[3]}};

    // Along the device axis the frame's x runs on (quarter turns only), the
    // whole pixels of the keep-out spans within the inner pixels, merged.
    const int axis = layout.axis = toDevice.xx != 0 ? 0 : 1;
    std::vector<std::pair<double, double>> kept;
    for (const Span& span : keepOut) {
        const Rect d = deviceRect({span.from, area.minY(), span.to - span.from, area.height});
        const double lo = std::max(std::floor(axis == 0 ? d.minX() : d.minY()), inner[axis]);
        const double hi = std::min(std::ceil(axis == 0 ? d.maxX() : d.maxY()), inner[axis + 2]);
        if (hi > lo)
            kept.emplace_back(lo, hi);
    }
    std::sort(kept.begin(), kept.end());
    std::vector<std::pair<double, double>> merged;
    for (const auto& k : kept) {
        if (!merged.empty() && k.first <= merged.back().second)
            merged.back().second = std::max(merged.back().second, k.second);
        else
            merged.push_back(k);
    }
    const auto across = [&](double lo, double hi) {
        return axis == 0 ? Box{lo, inner[1], hi, inner[3]} : Box{inner[0], lo, inner[2], hi};
    };
    layout.plain = std::numeric_limits<double>::quiet_NaN();
    double next = inner[axis];
    const auto gap = [&](double to) {
        if (to > next && inner[3 - axis] > inner[1 - axis]) {
            layout.copied.push_back(across(next, to));
            if (std::isnan(layout.plain))
                layout.plain = next;
        }
    };
    for (const auto& [lo, hi] : merged) {
        gap(lo);
        layout.inPlace.push_back(across(lo, hi));
        next = hi;
    }
    gap(inner[axis + 2]);
    return layout;
}

// Copies the tile onto the whole pixels of the layout and draws the pattern
// in place on the rim of pixels the clip's edges cut through, so that those
// keep the antialiasing direct drawing gives them.
void CairoSurface::fillWithTile(cairo_pattern_t* tile, const TileLayout& layout,
                                const std::function<void(DrawingSurface&, double, double)>& draw) {
    copyTile(tile, layout);
    drawInPlace(layout, true, draw);
}

void CairoSurface::copyTile(cairo_pattern_t* tile, const TileLayout& layout) {
    cairo_save(context_);
    cairo_set_source(context_, tile);
    cairo_identity_matrix(context_);
    cairo_new_path(context_);
    for (const Box& box : layout.copied)
        cairo_rectangle(context_, box[0], box[1], box[2] - box[0], box[3] - box[1]);
    cairo_fill(context_);
    cairo_restore(context_);
}

void CairoSurface::drawInPlace(const TileLayout& layout, bool clipped,
                               const std::function<void(DrawingSurface&, double, double)>& draw) {
    cairo_matrix_t toDevice;
    cairo_get_matrix(context_, &toDevice);
    cairo_matrix_t toFrame = toDevice;
    cairo_matrix_invert(&toFrame);
    for (const Box& box : layout.inPlace) {
        if (!(box[2] > box[0] && box[3] > box[1]))
            continue;
        double fx0 = box[0], fy0 = box[1], fx1 = box[2], fy1 = box[3];
        cairo_matrix_transform_point(&toFrame, &fx0, &fy0);
        cairo_matrix_transform_point(&toFrame, &fx1, &fy1);
        cairo_save(context_);
        if (clipped) {
            cairo_identity_matrix(context_);
            cairo_new_path(context_);
            cairo_rectangle(context_, box[0], box[1], box[2] - box[0], box[3] - box[1]);
            cairo_clip(context_);
            cairo_set_matrix(context_, &toDevice);
        }
        draw(*this, std::min(fx0, fx1), std::max(fx0, fx1));
        cairo_restore(context_);
    }
}

void CairoSurface::drawText(std::string_view text, const Font& font, const Ink& ink, Point origin) {
    const PangoLayoutHandle layout(pango_cairo_create_layout(context_));
    const PangoFontDescriptionHandle description(pango_font_description_new());
    pango_font_description_set_family(description.get(), kSansFamilies);
    pango_font_description_set_weight(description.get(), weightOf(font.name));
    // One point is one pixel on our bitmaps.
    pango_font_description_set_absolute_size(description.get(), font.size * PANGO_SCALE);
    pango_layout_set_font_description(layout.get(), description.get());
    pango_layout_set_text(layout.get(), text.data(), static_cast<int>(text.size()));

    cairo_save(context_);
    cairo_translate(context_, origin.x, origin.y);
    cairo_scale(context_, 1, -1); // glyphs are laid out with y down
    const double baseline = pango_layout_get_baseline(layout.get()) / double(PANGO_SCALE);
    cairo_move_to(context_, 0, -baseline);
    setSource(context_, ink);
    pango_cairo_update_layout(context_, layout.get());
    pango_cairo_show_layout(context_, layout.get());
    cairo_restore(context_);
}

} // namespace garbello
