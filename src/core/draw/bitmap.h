#pragma once

#include "draw/cairo_handles.h"
#include "draw/cairo_surface.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace garbello {

// Premultiplied red, green, blue and alpha of one pixel, 0 to 255.
struct Pixel {
    std::uint8_t red = 0, green = 0, blue = 0, alpha = 0;
    bool operator==(const Pixel&) const = default;
};

// Pixels that outlive the bitmap they were drawn in, for a worker to hand
// back: cairo's ARGB32 layout (premultiplied, one 32-bit native-endian word
// per pixel, rows `stride` bytes apart, the top row first).
struct Image {
    int width = 0;
    int height = 0;
    int stride = 0;
    std::vector<std::uint8_t> pixels;

    bool operator==(const Image&) const = default;
};

// An offscreen RGBA bitmap, 8 bits per component, premultiplied, fully
// transparent at first, antialiased. One point is one pixel and the drawing
// frame has its origin at the bottom-left with y up.
class Bitmap {
public:
    // Throws RenderError(bitmapCreation) when the pixels cannot be allocated.
    Bitmap(int width, int height);
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;

    int width() const { return width_; }
    int height() const { return height_; }
    DrawingSurface& surface() { return surface_; }
    cairo_t* context() const { return context_.get(); }
    cairo_surface_t* image() const { return image_.get(); }

    // The pixel whose lower-left corner is (x, y) in the drawing frame.
    Pixel pixel(int x, int y) const;

    // How hard the PNG encoder squeezes. `compact`: zlib's default level with
    // a filter chosen per row, for single images. `fast`: level 1 with the Sub
    // filter on every row, for big sheets, where encoding would otherwise take
    // most of the time; the file comes out slightly larger.
    enum class Compression { compact, fast };

    // The bitmap as PNG bytes: 8-bit RGBA, straight (not premultiplied) alpha.
    // Throws RenderError(pngEncoding) when encoding fails.
    std::string encodePNG(Compression compression = Compression::compact) const;
    // Paints the whole pixels of `source` inside `crop` (a rectangle of its
    // drawing frame) enlarged `factor` times without smoothing, so every
    // source pixel becomes a sharp factor × factor block; the crop's
    // lower-left corner lands on `origin` of this bitmap's drawing frame.
    void drawEnlarged(const Bitmap& source, const Rect& crop, Point origin, int factor);

    // Paints `image` stretched over the whole bitmap, smoothly; nothing when
    // its size and pixels do not agree.
    void drawScaledToFit(const Image& image);

    // A copy of the pixels as they are now.
    Image toImage() const;

    // Decodes PNG bytes; throws RenderError(pngEncoding) when they are not a
    // readable PNG.
    static std::unique_ptr<Bitmap> decodePNG(std::string_view bytes);

private:
    explicit Bitmap(CairoSurfaceHandle image);

    // The context goes before the image it draws on.
    CairoSurfaceHandle image_;
    CairoContextHandle context_;
    CairoSurface surface_;
    int width_;
    int height_;
};

} // namespace garbello
