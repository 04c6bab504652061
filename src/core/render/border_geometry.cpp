#include "render/border_geometry.h"

#include <algorithm>
#include <cmath>

namespace garbello::BorderGeometry {

Rect outerRect(const Rect& window, double width) {
    const double grow = std::isfinite(width) && width >= 0 ? width : 0;
    return window.insetBy(-grow, -grow);
}

bool hasRing(const Rect& window, double width, double cornerRadius) {
    // A window at an infinite place or of infinite size has no ring to draw:
    // every strip length would be infinite.
    return std::isfinite(width) && width > 0 && std::isfinite(cornerRadius) && window.width > 0 &&
           window.height > 0 && window.isFinite();
}

double innerCornerRadius(const Rect& window, double cornerRadius) {
    const double r = std::min(std::min(window.width, window.height) * 0.5, cornerRadius);
    return r > 0 ? r : 0; // also turns NaN into 0
}

Path ring(const Rect& window, double width, double cornerRadius) {
    Path path;
    if (!hasRing(window, width, cornerRadius))
        return path;
    const double r = innerCornerRadius(window, cornerRadius);
    path.addRoundedRect(window.insetBy(-width, -width), r + width);
    path.addRoundedRect(window, r);
    return path;
}

} // namespace garbello::BorderGeometry
