#include "platform/ring_pieces.h"

#include <algorithm>
#include <cstring>

namespace garbello::platform {

namespace {

bool painted(const Image& image, int x, int y) {
    std::uint32_t argb;
    std::memcpy(&argb, image.pixels.data() + std::size_t(y) * image.stride + 4 * std::size_t(x), 4);
    return (argb >> 24) != 0;
}

} // namespace

RingInsets ringInsets(const Image& ring) {
    const int w = ring.width, h = ring.height;
    if (w <= 0 || h <= 0)
        return {};
    // The straight middle of each side: painted from the edge up to the
    // window, which is clear.
    const auto run = [&](int x, int y, int dx, int dy) {
        int n = 0;
        while (x >= 0 && y >= 0 && x < w && y < h && painted(ring, x, y))
            x += dx, y += dy, ++n;
        return n;
    };
    RingInsets insets{run(w / 2, 0, 0, 1), run(w / 2, h - 1, 0, -1), run(0, h / 2, 1, 0),
                      run(w - 1, h / 2, -1, 0)};
    if (insets.top + insets.bottom >= h || insets.left + insets.right >= w || insets.whole())
        return {};
    // The cloth in the window's corners joins the left and right sides; it
    // is widest in the rows next to the top and bottom strips, but every row
    // is looked at since that costs one read where nothing reaches in.
    int left = 0, right = 0;
    for (int y = insets.top; y < h - insets.bottom; ++y) {
        left = std::max(left, run(insets.left, y, 1, 0));
        right = std::max(right, run(w - 1 - insets.right, y, -1, 0));
    }
    insets.left += left;
    insets.right += right;
    if (insets.left + insets.right >= w)
        return {};
    return insets;
}

std::array<PixelRect, 4> ringPieces(int width, int height, const RingInsets& insets) {
    if (insets.whole())
        return {PixelRect{0, 0, width, height}, {}, {}, {}};
    const int middle = std::max(0, height - insets.top - insets.bottom);
    return {PixelRect{0, 0, width, insets.top},
            {0, height - insets.bottom, width, insets.bottom},
            {0, insets.top, insets.left, middle},
            {width - insets.right, insets.top, insets.right, middle}};
}

Image crop(const Image& image, const PixelRect& piece) {
    Image part;
    if (piece.empty())
        return part;
    part.width = piece.width;
    part.height = piece.height;
    part.stride = 4 * piece.width;
    part.pixels.resize(std::size_t(part.stride) * std::size_t(piece.height));
    for (int y = 0; y < piece.height; ++y)
        std::memcpy(part.pixels.data() + std::size_t(y) * part.stride,
                    image.pixels.data() + std::size_t(piece.y + y) * image.stride +
                        4 * std::size_t(piece.x),
                    std::size_t(part.stride));
    return part;
}

} // namespace garbello::platform
