#include "render/variant_cloth.h"

#include "render/classic_cloth.h"
#include "render/linen_variants.h"
#include "render/sweater_variants.h"

#include <algorithm>

namespace garbello::cloth {

double variantTilePeriod(ClothVariant variant, double width, double scale) {
    constexpr double kShortestPeriod = 8;
    const int k = variant.rawValue();
    return std::max((1.1 + 0.5 * (k % 3)) * width * scale, kShortestPeriod);
}

void variantCloth(DrawingSurface& surface, const Strip& strip, Outfit outfit, ClothVariant variant,
                  const Palette& palette) {
    switch (outfit) {
    case Outfit::sweater:
        return sweaterVariant(surface, strip, variant, palette);
    case Outfit::linen:
        return linenVariant(surface, strip, variant, palette);
    case Outfit::hawaiian:
    case Outfit::rainJacket:
    case Outfit::snowGear:
        break;
    }
    // Outfits without their own variant patterns wear their classic cloth in
    // the variant's colours.
    classicCloth(surface, strip, outfit, palette);
}

} // namespace garbello::cloth
