#include "render/ring_style.h"

#include <functional>

namespace {

void combine(std::size_t& seed, std::size_t value) {
    seed ^= value + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2);
}

} // namespace

std::size_t
std::hash<garbello::RingStyle>::operator()(const garbello::RingStyle& style) const noexcept {
    std::size_t seed = std::hash<int>{}(static_cast<int>(style.outfit));
    combine(seed, std::hash<garbello::ClothVariant>{}(style.variant));
    combine(seed, std::hash<double>{}(style.width));
    combine(seed, std::hash<double>{}(style.scale));
    combine(seed, style.tint ? std::hash<garbello::Color>{}(*style.tint) : 0);
    combine(seed, std::hash<bool>{}(style.dark));
    combine(seed, std::hash<double>{}(style.cornerRadius));
    return seed;
}
