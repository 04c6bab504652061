// Saves what an X display shows to a PNG file: the whole root window, as a
// user would see it. For the demo and for looking at live borders.
//
//   garbello_screenshot DISPLAY OUT.png

#include "draw/bitmap.h"
#include "platform/x11_handles.h"
#include "support/atomic_file.h"
#include "support/error.h"

#include <cstdio>
#include <cstring>

using namespace garbello;

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: garbello_screenshot DISPLAY OUT.png\n", stderr);
        return 2;
    }
    platform::x11::Connection connection(xcb_connect(argv[1], nullptr));
    xcb_connection_t* c = connection.get();
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "garbello_screenshot: cannot connect to %s\n", argv[1]);
        return 1;
    }
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const int width = screen->width_in_pixels, height = screen->height_in_pixels;
    auto reply =
        platform::x11::take(c, xcb_get_image_reply,
                            xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, screen->root, 0, 0,
                                          std::uint16_t(width), std::uint16_t(height), ~0u));
    // Depth 24 and 32 screens both send one 32-bit word per pixel.
    if (!reply || xcb_get_image_data_length(reply.get()) < width * height * 4) {
        std::fputs("garbello_screenshot: the server sent no 32-bit image of the root\n", stderr);
        return 1;
    }
    try {
        Image image{width, height, width * 4,
                    std::vector<std::uint8_t>(std::size_t(width) * height * 4)};
        std::memcpy(image.pixels.data(), xcb_get_image_data(reply.get()), image.pixels.size());
        // The server leaves the padding byte undefined; the screen is opaque.
        for (std::size_t i = 3; i < image.pixels.size(); i += 4)
            image.pixels[i] = 0xff;
        Bitmap bitmap(width, height);
        bitmap.drawScaledToFit(image);
        writeFileAtomically(argv[2], bitmap.encodePNG());
    } catch (const Error& error) {
        std::fprintf(stderr, "garbello_screenshot: %s\n", error.what());
        return 1;
    }
    return 0;
}
