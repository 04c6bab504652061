#include "draw/cairo_handles.h"

#include <cairo.h>
#include <pango/pangocairo.h>

namespace garbello {

void releaseCairoContext(cairo_t* context) {
    cairo_destroy(context);
}

void releaseCairoSurface(cairo_surface_t* surface) {
    cairo_surface_destroy(surface);
}

void releaseCairoPattern(cairo_pattern_t* pattern) {
    cairo_pattern_destroy(pattern);
}

void releasePangoLayout(PangoLayout* layout) {
    g_object_unref(layout);
}

void releasePangoFontDescription(PangoFontDescription* description) {
    pango_font_description_free(description);
}

} // namespace garbello
