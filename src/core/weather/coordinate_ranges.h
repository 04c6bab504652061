#pragma once

#include <cmath>

namespace garbello {

// Coordinates the weather services may answer with: finite degrees, at most
// a pole (or the date line) away from zero.
inline bool isLatitude(double degrees) {
    return std::isfinite(degrees) && std::fabs(degrees) <= 90;
}
inline bool isLongitude(double degrees) {
    return std::isfinite(degrees) && std::fabs(degrees) <= 180;
}

} // namespace garbello
