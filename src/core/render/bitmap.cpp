#include "render/bitmap.h"

#include "render/render_error.h"

#include <cairo.h>

#include <cstring>

namespace garbello {
namespace {

cairo_t* flippedContext(cairo_surface_t* image) {
    cairo_t* context = cairo_create(image);
    // Points have y up; cairo's pixels count rows from the top.
    cairo_matrix_t flip;
    cairo_matrix_init(&flip, 1, 0, 0, -1, 0, cairo_image_surface_get_height(image));
    cairo_set_matrix(context, &flip);
    cairo_set_antialias(context, CAIRO_ANTIALIAS_DEFAULT);
    return context;
}

cairo_surface_t* createImage(int width, int height) {
    if (width <= 0 || height <= 0)
        throw RenderError(RenderError::Kind::bitmapCreation);
    cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    if (cairo_surface_status(image) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(image);
        throw RenderError(RenderError::Kind::bitmapCreation);
    }
    return image;
}

cairo_status_t appendBytes(void* closure, const unsigned char* data, unsigned int length) {
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

struct ReadCursor {
    std::string_view bytes;
};

cairo_status_t readBytes(void* closure, unsigned char* data, unsigned int length) {
    auto* cursor = static_cast<ReadCursor*>(closure);
    if (cursor->bytes.size() < length)
        return CAIRO_STATUS_READ_ERROR;
    std::memcpy(data, cursor->bytes.data(), length);
    cursor->bytes.remove_prefix(length);
    return CAIRO_STATUS_SUCCESS;
}

} // namespace

Bitmap::Bitmap(int width, int height) : Bitmap(createImage(width, height)) {}

Bitmap::Bitmap(cairo_surface_t* image)
    : image_(image), context_(flippedContext(image)), surface_(context_),
      width_(cairo_image_surface_get_width(image)), height_(cairo_image_surface_get_height(image)) {
    if (cairo_status(context_) != CAIRO_STATUS_SUCCESS) {
        cairo_destroy(context_);
        cairo_surface_destroy(image_);
        throw RenderError(RenderError::Kind::bitmapCreation);
    }
}

Bitmap::~Bitmap() {
    cairo_destroy(context_);
    cairo_surface_destroy(image_);
}

Pixel Bitmap::pixel(int x, int y) const {
    cairo_surface_flush(image_);
    const unsigned char* row = cairo_image_surface_get_data(image_) +
                               (height_ - 1 - y) * cairo_image_surface_get_stride(image_);
    std::uint32_t argb;
    std::memcpy(&argb, row + 4 * x, 4);
    return {static_cast<std::uint8_t>(argb >> 16), static_cast<std::uint8_t>(argb >> 8),
            static_cast<std::uint8_t>(argb), static_cast<std::uint8_t>(argb >> 24)};
}

std::string Bitmap::encodePNG() const {
    cairo_surface_flush(image_);
    std::string bytes;
    if (cairo_surface_write_to_png_stream(image_, appendBytes, &bytes) != CAIRO_STATUS_SUCCESS)
        throw RenderError(RenderError::Kind::pngEncoding);
    return bytes;
}

std::unique_ptr<Bitmap> Bitmap::decodePNG(std::string_view bytes) {
    ReadCursor cursor{bytes};
    cairo_surface_t* image = cairo_image_surface_create_from_png_stream(readBytes, &cursor);
    if (cairo_surface_status(image) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(image);
        throw RenderError(RenderError::Kind::pngEncoding);
    }
    return std::unique_ptr<Bitmap>(new Bitmap(image));
}

} // namespace garbello
