#include "render/classic_cloth.h"

#include "render/hawaiian_cloth.h"
#include "render/linen_cloth.h"
#include "render/rain_jacket_cloth.h"
#include "render/snow_gear_cloth.h"
#include "render/sweater_cloth.h"

namespace garbello::cloth {

void classicCloth(DrawingSurface& surface, const Strip& strip, Outfit outfit,
                  const Palette& palette) {
    switch (outfit) {
    case Outfit::hawaiian:
        return hawaiian(surface, strip, palette);
    case Outfit::rainJacket:
        return rainJacket(surface, strip, palette);
    case Outfit::snowGear:
        return snowGear(surface, strip, palette);
    case Outfit::sweater:
        return sweater(surface, strip, palette);
    case Outfit::linen:
        return linen(surface, strip, palette);
    }
}

} // namespace garbello::cloth
