#pragma once

#include "render/drawing_surface.h"

typedef struct _cairo cairo_t;

namespace garbello {

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
    void fillLinearGradient(const std::vector<GradientStop>& stops, Point start,
                            Point end) override;
    void drawText(std::string_view text, const Font& font, const Ink& ink, Point origin) override;
    // Paints the picture once into a bitmap of its own and copies it into
    // every frame, when each frame maps it onto whole device pixels without
    // scaling; otherwise draws it in each frame.
    void drawInFrames(std::span<const Frame> frames, Size size,
                      const std::function<void(DrawingSurface&)>& draw) override;

    cairo_t* context() const { return context_; }

private:
    void replay(const Path& path);
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

    cairo_t* context_;
    double deviceScale_ = 1;
};

} // namespace garbello
