#include "render/cairo_surface.h"

#include <cairo.h>
#include <pango/pangocairo.h>

#include <cmath>
#include <memory>

namespace garbello {
namespace {

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
}

void CairoSurface::restore() {
    cairo_restore(context_);
}

void CairoSurface::translate(double dx, double dy) {
    cairo_translate(context_, dx, dy);
}

void CairoSurface::rotate(double radians) {
    // The frame is already flipped to y up, so cairo's positive angle turns
    // counter-clockwise as seen on the page. Quarter turns are made exact so
    // that rectangles stay pixel-aligned and cairo keeps its fast clip.
    double cosine = std::cos(radians), sine = std::sin(radians);
    const auto snap = [](double v) { return std::abs(v) < 1e-12 ? 0.0 : v; };
    cosine = snap(cosine);
    sine = snap(sine);
    cairo_matrix_t turn;
    cairo_matrix_init(&turn, cosine, sine, -sine, cosine, 0, 0);
    cairo_transform(context_, &turn);
}

void CairoSurface::scale(double sx, double sy) {
    cairo_scale(context_, sx, sy);
}

void CairoSurface::replay(const Path& path) {
    cairo_new_path(context_);
    for (const Path::Element& element : path.elements()) {
        const Point* p = element.points;
        switch (element.verb) {
        case Path::Verb::moveTo:
            cairo_move_to(context_, p[0].x, p[0].y);
            break;
        case Path::Verb::lineTo:
            cairo_line_to(context_, p[0].x, p[0].y);
            break;
        case Path::Verb::quadTo: {
            double x0 = p[0].x, y0 = p[0].y;
            if (cairo_has_current_point(context_))
                cairo_get_current_point(context_, &x0, &y0);
            // The cubic with the same curve as the quadratic (control p[0]).
            cairo_curve_to(context_, x0 + 2.0 / 3 * (p[0].x - x0), y0 + 2.0 / 3 * (p[0].y - y0),
                           p[1].x + 2.0 / 3 * (p[0].x - p[1].x),
                           p[1].y + 2.0 / 3 * (p[0].y - p[1].y), p[1].x, p[1].y);
            break;
        }
        case Path::Verb::curveTo:
            cairo_curve_to(context_, p[0].x, p[0].y, p[1].x, p[1].y, p[2].x, p[2].y);
            break;
        case Path::Verb::close:
            cairo_close_path(context_);
            break;
        }
    }
}

void CairoSurface::clip(const Path& path, FillRule rule) {
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

void CairoSurface::fillLinearGradient(const std::vector<GradientStop>& stops, Point start,
                                      Point end) {
    std::unique_ptr<cairo_pattern_t, decltype(&cairo_pattern_destroy)> gradient(
        cairo_pattern_create_linear(start.x, start.y, end.x, end.y), cairo_pattern_destroy);
    for (const GradientStop& stop : stops)
        cairo_pattern_add_color_stop_rgba(gradient.get(), stop.location, stop.color.red,
                                          stop.color.green, stop.color.blue, stop.color.alpha);
    cairo_pattern_set_extend(gradient.get(), CAIRO_EXTEND_NONE);
    cairo_set_source(context_, gradient.get());
    cairo_paint(context_);
}

void CairoSurface::drawText(std::string_view text, const Font& font, const Ink& ink, Point origin) {
    std::unique_ptr<PangoLayout, decltype(&g_object_unref)> layout(
        pango_cairo_create_layout(context_), g_object_unref);
    std::unique_ptr<PangoFontDescription, decltype(&pango_font_description_free)> description(
        pango_font_description_new(), pango_font_description_free);
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
