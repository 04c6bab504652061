#pragma once

#include "draw/bitmap.h"

#include <array>

namespace garbello::platform {

// A rectangle of whole pixels, y down from the top-left of an image.
struct PixelRect {
    int x = 0, y = 0, width = 0, height = 0;

    bool empty() const { return width <= 0 || height <= 0; }
    bool operator==(const PixelRect&) const = default;
};

// How thick each side of a ring is in pixels, counting the cloth that fills
// the window's own corners. All zero means the ring leaves nothing clear
// (a window too small for a hole) and is kept as one piece.
struct RingInsets {
    int top = 0, bottom = 0, left = 0, right = 0;

    bool whole() const { return top == 0 && bottom == 0 && left == 0 && right == 0; }
    bool operator==(const RingInsets&) const = default;
};

// The sides of a ring as drawn by the renderer: the window is left clear
// but for the cloth in its corners, which reaches in from the sides. Read
// from the middle row and column and the rows beside the window, so it costs
// a few thousand pixel reads, not the whole image.
RingInsets ringInsets(const Image& ring);

// The pieces that hold every pixel of a ring of `width` × `height` with
// `insets`: a top and a bottom strip over the whole width, a left and a
// right one between them; the whole rectangle when nothing is left clear.
// Pieces that would be empty are.
std::array<PixelRect, 4> ringPieces(int width, int height, const RingInsets& insets);

// The part `piece` of `image`.
Image crop(const Image& image, const PixelRect& piece);

} // namespace garbello::platform
