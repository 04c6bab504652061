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

    cairo_t* context() const { return context_; }

private:
    void replay(const Path& path);

    cairo_t* context_;
};

} // namespace garbello
