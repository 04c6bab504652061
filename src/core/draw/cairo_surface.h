#pragma once

#include "draw/drawing_surface.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

typedef struct _cairo cairo_t;
typedef struct _cairo_matrix cairo_matrix_t;
typedef struct _cairo_pattern cairo_pattern_t;

namespace garbello {

class Bitmap;

// Draws on a cairo context the caller owns. The context's transform must
// already map points with y up (Bitmap installs that flip); text is drawn with
// a local flip back so glyphs stand upright.
class CairoSurface : public DrawingSurface {
public:
    explicit CairoSurface(cairo_t* context) : context_(context) {}

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
    // Strokes each path into a mask under the ring's clip, then lays its ink
    // through the mask on the ring's whole device pixels alone. When the frame
    // maps points onto whole device pixels and the outlines are solid, the
    // mask is stroked for the ring shortened by whole pixels along each axis,
    // and its sides are stretched back: the same pixels for a fraction of
    // the work.
    void strokeRing(const Ring& ring, std::span<const Stroke> strokes) override;
    void drawText(std::string_view text, const Font& font, const Ink& ink, Point origin) override;
    Rect wholePixelsWithin(const Rect& rect) const override;
    // On a scratch picture of its own (drawInFrames), keeps the pixels of the
    // last motifs painted, cut by the clip along whole pixels at most, with
    // their backdrop, and copies them where a motif of the same kind lies on
    // the same fraction of a pixel, under the same turn and scale, cut alike,
    // over the same backdrop. Elsewhere paints every motif in place.
    void drawMotif(int motif, const Rect& bounds,
                   const std::function<void(DrawingSurface&)>& draw) override;
    // Paints the picture once into a bitmap of its own and copies it into
    // every frame, when each frame maps it onto whole device pixels without
    // scaling. Otherwise draws it in each frame: on a bitmap of the frame's
    // own where the frame covers whole pixels at a whole number of pixels per
    // point (the same pixels, and motifs are kept there), else in place.
    void drawInFrames(std::span<const Frame> frames, Size size,
                      const std::function<void(DrawingSurface&)>& draw) override;

    cairo_t* context() const { return context_; }

    // Paints one period into a tile and repeats it, when the current frame
    // maps the period onto whole device pixels, scaled by a whole number of
    // pixels per point at most (two on a HiDPI bitmap).
    void fillPeriodic(const Rect& area, double period, const Ink& ground,
                      const std::function<void(DrawingSurface&, double, double)>& draw) override;
    // The same over what is painted already, leaving the pixels of `keepOut`
    // to direct drawing.
    void
    fillPeriodicOver(const Rect& area, double period, double reach, std::span<const Span> keepOut,
                     const std::function<void(DrawingSurface&, double, double)>& draw) override;
    // The same by painting one repeat in place and copying it.
    void fillPeriodicOverRepeats(
        const Rect& area, double period, double reach,
        const std::function<void(DrawingSurface&, double, double)>& draw) override;

private:
    // How a ring is shortened: the points of a path beyond `middle` (on the
    // side `beyond`, +1 or -1 per axis of the frame) move by `shift`, a whole
    // number of device pixels.
    struct Fold {
        Point middle, beyond, shift;
        // What `p` moves by.
        Point offset(Point p) const;
    };
    // A surface drawing the shortened ring on `context`.
    CairoSurface(cairo_t* context, const Fold& fold) : context_(context), fold_(fold) {}
    bool strokeRingFolded(const Ring& ring, std::span<const Stroke> strokes);
    // Whether one rectangle of the context's clip, however it was set, holds
    // `box` (device pixels).
    bool clipHolds(const std::array<double, 4>& box) const;
    // The clip in device pixels on a picture of this surface's own, while it
    // is one rectangle.
    std::optional<std::array<double, 4>> clipRectangle() const;
    // Device pixels kept, past the widest line, between a corner square and
    // the run of a side that is stretched: the joins of the corner's curve
    // stay clear of it.
    static constexpr double kFoldMargin = 3;
    // Fewer device pixels cut along both axes together are not worth a fold.
    static constexpr int kShortestFold = 32;
    void strokeRingMasked(const Ring& ring, std::span<const Stroke> strokes);
    // Fills `area` with `source` by rasterising its coverage into a mask of
    // its own and compositing the source through it once: cairo composites a
    // source other than one ink run by run of pixels, which for thin shapes
    // along a strip costs far more than their pixels. False, having drawn
    // nothing, where the clip is not known to be one rectangle.
    bool fillThroughMask(const Path& area, cairo_pattern_t* source);

    void replay(const Path& path);
    // Passes one point of a path to cairo, moved by the fold if there is one.
    void passPoint(Point p, bool move);
    Point currentPoint(Point fallback) const;
    void flattenCubic(Point p0, Point p1, Point p2, Point p3);

    // Largest distance in pixels between a curve and its chords.
    static constexpr double kTolerance = 0.1;
    static constexpr int kMaximumChords = 256;
    // Pictures larger than this (in pixels) are drawn in place instead of
    // being copied; no real border strip comes near it.
    static constexpr double kLargestPicture = 64.0 * 1024 * 1024;
    void enterFrame(const Frame& frame);
    bool mapsOntoWholePixels(std::span<const Frame> frames, Size size);
    // Whether the target is an image whose pixels this surface can read and
    // write at their device places.
    bool drawsOnPlainImage() const;
    // Draws one frame on a picture of its own over the same device pixels
    // and copies it in; false, having drawn nothing, where it cannot.
    bool drawFrameApart(const Frame& frame, Size size,
                        const std::function<void(DrawingSurface&)>& draw);
    // Whether a tile of `period` points over `area` can be copied here.
    bool canTile(const Rect& area, double period) const;
    // What fillWithTile copies and what it leaves to direct drawing, in device
    // pixels: x0, y0, x1, y1 (device y down).
    using Box = std::array<double, 4>;
    struct TileLayout {
        std::vector<Box> copied, inPlace;
        // The device line along which the frame's x runs, and a whole pixel
        // on it outside every keep-out span (NaN when there is none).
        int axis = 0;
        double plain = 0;
    };
    TileLayout tileLayout(const Rect& area, std::span<const Span> keepOut) const;
    // The layout of fillPeriodicOver: places drawn in place are runs of whole
    // pixels along the frame's x, across the whole area, at least twice
    // `reach` device pixels apart; none unless the area's sides across the
    // frame's x lie on whole pixels.
    TileLayout overLayout(const Rect& area, double reach, std::span<const Span> keepOut) const;
    void fillWithTile(cairo_pattern_t* tile, const TileLayout& layout,
                      const std::function<void(DrawingSurface&, double, double)>& draw);
    void copyTile(cairo_pattern_t* tile, const TileLayout& layout);
    // Draws one repeat in place where it and what spills beside it fall on
    // copied pixels, and copies that repeat over the layout; false when no
    // copied run is long enough.
    bool repeatInPlace(const TileLayout& layout, double period, double reach,
                       const std::function<void(DrawingSurface&, double, double)>& draw);
    // With `clipped`, each place is drawn under a clip of its own pixels.
    void drawInPlace(const TileLayout& layout, bool clipped,
                     const std::function<void(DrawingSurface&, double, double)>& draw);
    // `path` as a device rectangle when it is one rectangle whose sides run
    // along the device axes.
    std::optional<Rect> deviceRectangle(const Path& path) const;
    // `rect` of the current frame on the device.
    Rect deviceRect(const Rect& rect) const;
    // A bitmap covering `rect` of the current frame on the same pixel grid,
    // and the transform that draws the frame on it; none when it cannot be made.
    std::unique_ptr<Bitmap> scratchBitmap(const Rect& rect, cairo_matrix_t& toScratch);

    cairo_t* context_;
    double deviceScale_ = 1;
    // The clip made through this surface, in device pixels, while it is a
    // rectangle; none once a clip of another shape was added. Clips the
    // caller set on the context beforehand are not known here.
    std::optional<Rect> knownClip_ = Rect{-1e12, -1e12, 2e12, 2e12};
    std::vector<std::optional<Rect>> savedClips_;
    std::optional<Fold> fold_;
    // Where a motif's pixels lie on the target: the device box, how the
    // frame lies (turn and scale, and its origin from the box's corner) and
    // how much of the box the clip cut away; none where its pixels cannot
    // be kept.
    struct MotifPlace {
        int x = 0, y = 0, width = 0, height = 0;
        std::array<double, 10> placement{};
        bool liesAs(const MotifPlace& other) const;
    };
    std::optional<MotifPlace> motifPlace(const Rect& bounds) const;
    // A motif as it was painted, with the box's pixels before and after.
    struct PaintedMotif {
        int motif = 0;
        MotifPlace place;
        std::vector<std::uint32_t> backdrop, painted;
    };
    // Only on a scratch picture no caller can clip behind this surface's back.
    bool keepsMotifs_ = false;
    static constexpr std::size_t kMotifsKept = 64;
    // Larger motifs (in device pixels) are painted in place every time.
    static constexpr double kLargestMotif = 128.0 * 128;
    std::vector<PaintedMotif> motifs_;
    // What the fold moved the current point by.
    Point currentShift_, subpathShift_;
};

} // namespace garbello
