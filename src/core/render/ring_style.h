#pragma once

#include "draw/ink.h"
#include "model/cloth_variant.h"
#include "model/outfit.h"

#include <cstddef>
#include <optional>

namespace garbello {

// Everything that decides the picture of a window's cloth ring besides the
// window itself. Two rings of equal style around windows of one size are the
// same pixels, so a redraw can be skipped and a rendered ring cached on it.
struct RingStyle {
    Outfit outfit = Outfit::hawaiian;
    ClothVariant variant = ClothVariant::classic;
    double width = 16; // ring width in points
    double scale = 1;  // pattern scale (clamped to 0.5…3 when drawn)
    std::optional<Color> tint =
        std::nullopt;         // the application tint, none for the outfit's own colours
    bool dark = false;        // dark appearance
    double cornerRadius = 10; // the window's corner radius

    bool operator==(const RingStyle&) const = default;
};

} // namespace garbello

template <> struct std::hash<garbello::RingStyle> {
    std::size_t operator()(const garbello::RingStyle& style) const noexcept;
};
