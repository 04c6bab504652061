#pragma once

#include "draw/ink.h"
#include "model/cloth_variant.h"
#include "model/outfit.h"

#include <optional>

namespace garbello {

// The five inks one border is painted with.
struct Palette {
    Ink ground;  // the cloth's base colour, filled over the whole ring
    Ink light;   // highlights, stitches, cream tones
    Ink shadow;  // dark lines and shading
    Ink feature; // the outfit's main accent
    Ink detail;  // a second accent

    bool operator==(const Palette&) const = default;

    // The palette for one draw: the hand-set table for `classic`, colours
    // derived from the variant's base colour otherwise, then the application
    // tint (`accent`) pulls the ground, and only the ground, slightly towards it.
    static Palette make(Outfit outfit, bool dark, const std::optional<Color>& accent,
                        ClothVariant variant);
};

// The colour every non-classic variant of `outfit` derives its palette from.
Ink variantBaseColor(Outfit outfit, ClothVariant variant);

} // namespace garbello
