#pragma once

#include "support/unique_handle.h"

typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;
typedef struct _cairo_pattern cairo_pattern_t;
typedef struct _PangoLayout PangoLayout;
typedef struct _PangoFontDescription PangoFontDescription;

namespace garbello {

// Each gives back one reference through the library's own call. They are
// declared here, not taken straight from cairo and Pango, so that a class can
// hold an owner in its header without including either library.
void releaseCairoContext(cairo_t* context);
void releaseCairoSurface(cairo_surface_t* surface);
void releaseCairoPattern(cairo_pattern_t* pattern);
void releasePangoLayout(PangoLayout* layout);
void releasePangoFontDescription(PangoFontDescription* description);

using CairoContextHandle = UniqueHandle<cairo_t*, releaseCairoContext>;
using CairoSurfaceHandle = UniqueHandle<cairo_surface_t*, releaseCairoSurface>;
using CairoPatternHandle = UniqueHandle<cairo_pattern_t*, releaseCairoPattern>;
using PangoLayoutHandle = UniqueHandle<PangoLayout*, releasePangoLayout>;
using PangoFontDescriptionHandle = UniqueHandle<PangoFontDescription*, releasePangoFontDescription>;

} // namespace garbello
