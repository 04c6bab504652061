#include "render/palette.h"

#include <array>

namespace garbello {
namespace {

struct ClassicRow {
    Ink lightGround;
    Ink darkGround;
    Ink light;
    Ink shadow;
    Ink feature;
    Ink detail;
};

// Indexed by Outfit::index().
constexpr std::array<ClassicRow, Outfit::count> kClassicPalettes = {{
    {{0.10, 0.53, 0.48},
     {0.08, 0.40, 0.38},
     {1.00, 0.91, 0.72},
     {0.06, 0.20, 0.20},
     {0.96, 0.53, 0.42},
     {0.66, 0.78, 0.51}}, // hawaiian
    {{0.93, 0.73, 0.26},
     {0.77, 0.56, 0.14},
     {1.00, 0.95, 0.71},
     {0.38, 0.28, 0.11},
     {0.91, 0.94, 0.84},
     {0.65, 0.44, 0.10}}, // rainJacket
    {{0.55, 0.70, 0.77},
     {0.30, 0.46, 0.56},
     {0.92, 0.95, 0.90},
     {0.16, 0.29, 0.36},
     {0.20, 0.37, 0.46},
     {0.81, 0.47, 0.36}}, // snowGear
    {{0.67, 0.40, 0.32},
     {0.46, 0.26, 0.23},
     {0.93, 0.71, 0.55},
     {0.31, 0.17, 0.15},
     {0.79, 0.52, 0.40},
     {0.91, 0.68, 0.53}}, // sweater
    {{0.82, 0.80, 0.67},
     {0.56, 0.55, 0.46},
     {0.98, 0.96, 0.85},
     {0.43, 0.44, 0.34},
     {0.57, 0.63, 0.52},
     {0.70, 0.69, 0.56}}, // linen
}};

// Indexed by Outfit::index(), then by the variant's raw value; entry 0 belongs
// to `classic`, which uses the table above instead.
constexpr std::array<std::array<unsigned, ClothVariant::count>, Outfit::count> kVariantBases = {{
    {0x18877A, 0xD56D65, 0x173F52, 0xEBC65D, 0xE58A4E, 0x337DAD, 0xA64C70, 0x426D4E, 0x69465C,
     0x89B8A0},
    {0xEDBA42, 0x3167B2, 0xC34B43, 0x3E6A52, 0xC4BA9A, 0x754F82, 0xDC793A, 0x368C90, 0x2E455F,
     0xB57581},
    {0x8CB2C4, 0x9E4657, 0x3E6D5F, 0xB5C9CD, 0x9A8EAF, 0xAE7954, 0x364D6B, 0x86B3A3, 0xB7B5A6,
     0x855479},
    {0xAB6652, 0xB2A184, 0x8B7C9A, 0x4C7160, 0x354D70, 0xC19A4C, 0xAF7980, 0x768A9A, 0x76536C,
     0x73A59E},
    {0xD1CCAB, 0x97AAB6, 0xB1B9A0, 0xC2A295, 0xDDD3B8, 0xC5B28D, 0x879CA9, 0xC5AEAF, 0xAAA98B,
     0xCFBDA1},
}};

constexpr Ink kDarkVeil{0.07, 0.10, 0.13};
constexpr double kDarkVeilAmount = 0.18;
constexpr Ink kCream{1.0, 0.98, 0.88};
constexpr Ink kDeepShadow{0.08, 0.13, 0.18};
constexpr double kShadowAmount = 0.65;
constexpr double kTintAmount = 0.12;

Palette classicPalette(Outfit outfit, bool dark) {
    const ClassicRow& row = kClassicPalettes[outfit.index()];
    return {dark ? row.darkGround : row.lightGround, row.light, row.shadow, row.feature,
            row.detail};
}

Palette derivedPalette(Outfit outfit, bool dark, ClothVariant variant) {
    const Ink base = variantBaseColor(outfit, variant);
    const double creamAmount = outfit == Outfit::linen ? 0.55 : 0.78;
    Palette palette;
    palette.ground = dark ? mix(base, kDarkVeil, kDarkVeilAmount) : base;
    palette.light = mix(base, kCream, creamAmount);
    palette.shadow = mix(base, kDeepShadow, kShadowAmount);
    if (outfit == Outfit::hawaiian) {
        palette.feature = {1.0, 0.77, 0.56};
        palette.detail = {0.66, 0.82, 0.50};
    } else {
        palette.feature = mix(palette.shadow, base, 0.2);
        palette.detail = {0.87, 0.64, 0.46};
    }
    return palette;
}

} // namespace

Ink variantBaseColor(Outfit outfit, ClothVariant variant) {
    return Ink::hex(kVariantBases[outfit.index()][static_cast<std::size_t>(variant.rawValue())]);
}

Palette Palette::make(Outfit outfit, bool dark, const std::optional<Color>& accent,
                      ClothVariant variant) {
    Palette palette = variant == ClothVariant::classic ? classicPalette(outfit, dark)
                                                       : derivedPalette(outfit, dark, variant);
    if (accent) {
        if (auto tint = accent->deviceRGB())
            palette.ground = mix(palette.ground, *tint, kTintAmount);
    }
    return palette;
}

} // namespace garbello
