#include "render/variant_cloth.h"

#include "render/hawaiian_variants.h"
#include "render/linen_variants.h"
#include "render/rain_jacket_variants.h"
#include "render/snow_gear_variants.h"
#include "render/sweater_variants.h"

#include <algorithm>

namespace garbello::cloth {
namespace {

constexpr double kShortestTilePeriod = 8;

} // namespace

double variantTilePeriod(ClothVariant variant, double width, double scale) {
    const double widths = 1.1 + 0.5 * (variant.rawValue() % 3);
    return std::max(widths * width * scale, kShortestTilePeriod);
}

void variantCloth(DrawingSurface& surface, const Strip& strip, Outfit outfit, ClothVariant variant,
                  const Palette& palette) {
    switch (outfit) {
    case Outfit::hawaiian:
        return hawaiianVariant(surface, strip, variant, palette);
    case Outfit::rainJacket:
        return rainJacketVariant(surface, strip, variant, palette);
    case Outfit::snowGear:
        return snowGearVariant(surface, strip, variant, palette);
    case Outfit::sweater:
        return sweaterVariant(surface, strip, variant, palette);
    case Outfit::linen:
        return linenVariant(surface, strip, variant, palette);
    }
}

} // namespace garbello::cloth
