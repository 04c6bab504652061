#include "render/variant_cloth.h"

#include "render/classic_cloth.h"

namespace garbello::cloth {

void variantCloth(DrawingSurface& surface, const Strip& strip, Outfit outfit, ClothVariant,
                  const Palette& palette) {
    // Variant patterns are not drawn yet: every variant wears its outfit's own
    // cloth in the variant's colours until each outfit gets its pattern table.
    classicCloth(surface, strip, outfit, palette);
}

} // namespace garbello::cloth
