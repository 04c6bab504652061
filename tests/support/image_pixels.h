#pragma once

#include "draw/bitmap.h"

#include <cstdint>
#include <cstring>

namespace garbello::test {

// The native-endian ARGB word of pixel (x, y) of `image`, counting rows from
// the top as the image stores them.
inline std::uint32_t argbAt(const Image& image, int x, int y) {
    std::uint32_t word;
    std::memcpy(&word, image.pixels.data() + std::size_t(y) * image.stride + 4 * std::size_t(x), 4);
    return word;
}

} // namespace garbello::test
