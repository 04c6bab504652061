#include "render/corner_pieces.h"

namespace garbello::cloth {

void corners(DrawingSurface&, const Rect&, double, double, Outfit, ClothVariant, const Palette&) {
    // Corner pieces are not drawn yet: the ring's ground shows at the corners.
}

} // namespace garbello::cloth
