#include "draw/bitmap.h"

#include "draw/render_error.h"

#include <cairo.h>

#include <csetjmp>
#include <cstring>
#include <png.h>
#include <vector>

namespace garbello {
namespace {

CairoContextHandle flippedContext(cairo_surface_t* image) {
    CairoContextHandle owner(cairo_create(image));
    cairo_t* context = owner.get();
    // Points have y up; cairo's pixels count rows from the top.
    cairo_matrix_t flip;
    cairo_matrix_init(&flip, 1, 0, 0, -1, 0, cairo_image_surface_get_height(image));
    cairo_set_matrix(context, &flip);
    cairo_set_antialias(context, CAIRO_ANTIALIAS_DEFAULT);
    return owner;
}

CairoSurfaceHandle createImage(int width, int height) {
    if (width <= 0 || height <= 0)
        throw RenderError(RenderError::Kind::bitmapCreation);
    CairoSurfaceHandle image(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
    if (cairo_surface_status(image.get()) != CAIRO_STATUS_SUCCESS)
        throw RenderError(RenderError::Kind::bitmapCreation);
    return image;
}

// zlib levels and row filters of the two compressions.
struct EncoderSettings {
    int level;
    int filters;
};

EncoderSettings encoderSettings(Bitmap::Compression compression) {
    switch (compression) {
    case Bitmap::Compression::fast:
        return {1, PNG_FILTER_SUB};
    case Bitmap::Compression::compact:
        break;
    }
    return {6, PNG_ALL_FILTERS};
}

// One row of native-endian premultiplied ARGB words as straight RGBA bytes,
// rounding the way cairo's own PNG writer does.
void unpremultiplyRow(const unsigned char* source, int width, png_byte* row) {
    for (int x = 0; x < width; ++x, row += 4) {
        std::uint32_t argb;
        std::memcpy(&argb, source + 4 * x, 4);
        const unsigned alpha = argb >> 24;
        const unsigned channels[3] = {(argb >> 16) & 0xff, (argb >> 8) & 0xff, argb & 0xff};
        for (int c = 0; c < 3; ++c)
            row[c] = alpha == 255 ? channels[c]
                     : alpha == 0 ? 0
                                  : (channels[c] * 255 + alpha / 2) / alpha;
        row[3] = static_cast<png_byte>(alpha);
    }
}

// libpng would print its complaints on standard error, which the headless
// tools keep for their own lines; the failure is reported as a RenderError.
[[noreturn]] void failQuietly(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

void ignoreWarning(png_structp, png_const_charp) {}

struct PngSink {
    std::string bytes;
    bool outOfMemory = false;
};

void appendToSink(png_structp png, png_bytep data, png_size_t length) {
    auto* sink = static_cast<PngSink*>(png_get_io_ptr(png));
    try {
        sink->bytes.append(reinterpret_cast<const char*>(data), length);
    } catch (...) {
        sink->outOfMemory = true;
    }
    // libpng leaves by longjmp, which must not cross the handler above.
    if (sink->outOfMemory)
        png_error(png, "out of memory");
}

// Holds nothing with a destructor, so libpng's longjmp on failure skips no
// cleanup; returns false when libpng gave up.
bool writeRows(png_structp png, png_infop info, cairo_surface_t* image, EncoderSettings settings,
               png_byte* row) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    const int width = cairo_image_surface_get_width(image);
    const int height = cairo_image_surface_get_height(image);
    const int stride = cairo_image_surface_get_stride(image);
    const unsigned char* data = cairo_image_surface_get_data(image);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, settings.level);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, settings.filters);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) {
        unpremultiplyRow(data + static_cast<std::ptrdiff_t>(y) * stride, width, row);
        png_write_row(png, row);
    }
    png_write_end(png, info);
    return true;
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

Bitmap::Bitmap(CairoSurfaceHandle image)
    : image_(std::move(image)), context_(flippedContext(image_.get())), surface_(context_.get()),
      width_(cairo_image_surface_get_width(image_.get())),
      height_(cairo_image_surface_get_height(image_.get())) {
    if (cairo_status(context_.get()) != CAIRO_STATUS_SUCCESS)
        throw RenderError(RenderError::Kind::bitmapCreation);
}

Image Bitmap::toImage() const {
    cairo_surface_flush(image_.get());
    Image copy{width_, height_, cairo_image_surface_get_stride(image_.get()), {}};
    const std::uint8_t* data = cairo_image_surface_get_data(image_.get());
    copy.pixels.assign(data, data + static_cast<std::size_t>(copy.stride) * height_);
    return copy;
}

Pixel Bitmap::pixel(int x, int y) const {
    cairo_surface_t* image = image_.get();
    cairo_surface_flush(image);
    const unsigned char* row = cairo_image_surface_get_data(image) +
                               (height_ - 1 - y) * cairo_image_surface_get_stride(image);
    std::uint32_t argb;
    std::memcpy(&argb, row + 4 * x, 4);
    return {static_cast<std::uint8_t>(argb >> 16), static_cast<std::uint8_t>(argb >> 8),
            static_cast<std::uint8_t>(argb), static_cast<std::uint8_t>(argb >> 24)};
}

std::string Bitmap::encodePNG(Compression compression) const {
    cairo_surface_flush(image_.get());
    PngSink sink;
    std::vector<png_byte> row(4 * static_cast<std::size_t>(width_));
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, failQuietly, ignoreWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        throw RenderError(RenderError::Kind::pngEncoding);
    }
    png_set_write_fn(png, &sink, appendToSink, nullptr);
    const bool written =
        writeRows(png, info, image_.get(), encoderSettings(compression), row.data());
    png_destroy_write_struct(&png, &info);
    if (!written)
        throw RenderError(RenderError::Kind::pngEncoding);
    return std::move(sink.bytes);
}

void Bitmap::drawEnlarged(const Bitmap& source, const Rect& crop, Point origin, int factor) {
    // Device pixels count rows from the top in both bitmaps.
    const double f = factor;
    const double sourceLeft = crop.minX(), sourceTop = source.height_ - crop.maxY();
    const double left = origin.x, top = height_ - origin.y - crop.height * f;
    cairo_t* context = context_.get();
    cairo_surface_flush(source.image());
    cairo_save(context);
    cairo_identity_matrix(context);
    const CairoPatternHandle pattern(cairo_pattern_create_for_surface(source.image()));
    cairo_matrix_t toSource;
    cairo_matrix_init(&toSource, 1 / f, 0, 0, 1 / f, sourceLeft - left / f, sourceTop - top / f);
    cairo_pattern_set_matrix(pattern.get(), &toSource);
    cairo_pattern_set_filter(pattern.get(), CAIRO_FILTER_NEAREST);
    cairo_set_source(context, pattern.get());
    cairo_rectangle(context, left, top, crop.width * f, crop.height * f);
    cairo_fill(context);
    cairo_restore(context);
}

void Bitmap::drawScaledToFit(const Image& image) {
    if (image.width <= 0 || image.height <= 0 || image.stride < 4 * image.width ||
        image.pixels.size() < static_cast<std::size_t>(image.stride) * image.height)
        return;
    // cairo only reads the pixels while painting, which ends before this
    // function returns.
    CairoSurfaceHandle source(cairo_image_surface_create_for_data(
        const_cast<unsigned char*>(image.pixels.data()), CAIRO_FORMAT_ARGB32, image.width,
        image.height, image.stride));
    if (cairo_surface_status(source.get()) != CAIRO_STATUS_SUCCESS)
        return;
    cairo_t* context = context_.get();
    cairo_save(context);
    cairo_identity_matrix(context);
    cairo_scale(context, double(width_) / image.width, double(height_) / image.height);
    cairo_set_source_surface(context, source.get(), 0, 0);
    cairo_pattern_set_filter(cairo_get_source(context), CAIRO_FILTER_GOOD);
    cairo_paint(context);
    cairo_restore(context);
}

std::unique_ptr<Bitmap> Bitmap::decodePNG(std::string_view bytes) {
    ReadCursor cursor{bytes};
    CairoSurfaceHandle image(cairo_image_surface_create_from_png_stream(readBytes, &cursor));
    if (cairo_surface_status(image.get()) != CAIRO_STATUS_SUCCESS)
        throw RenderError(RenderError::Kind::pngEncoding);
    return std::unique_ptr<Bitmap>(new Bitmap(std::move(image)));
}

} // namespace garbello
