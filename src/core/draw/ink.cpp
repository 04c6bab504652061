#include "draw/ink.h"

#include <algorithm>
#include <cmath>

namespace garbello {

Ink mix(const Ink& a, const Ink& b, double t) {
    return {a.red + (b.red - a.red) * t, a.green + (b.green - a.green) * t,
            a.blue + (b.blue - a.blue) * t, a.alpha};
}

std::optional<Ink> Color::deviceRGB() const {
    double channels[4] = {components_[0], components_[1], components_[2], alpha_};
    for (double& channel : channels) {
        if (!std::isfinite(channel))
            return std::nullopt;
        channel = std::clamp(channel, 0.0, 1.0);
    }
    // A grey level is the same value on all three channels in device RGB.
    if (space_ == Space::grey)
        channels[1] = channels[2] = channels[0];
    return Ink{channels[0], channels[1], channels[2], channels[3]};
}

std::size_t Color::hash() const noexcept {
    std::size_t seed = static_cast<std::size_t>(space_);
    for (double value : {components_[0], components_[1], components_[2], alpha_})
        seed = seed * 1000003u ^ std::hash<double>{}(value);
    return seed;
}

} // namespace garbello
