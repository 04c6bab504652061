#include "model/cloth_variant.h"

#include <nlohmann/json.hpp>

#include <charconv>

namespace garbello {
namespace {

using VariantTitles = std::array<std::string_view, ClothVariant::count>;

// Indexed by outfit, then by variant raw value.
constexpr std::array<VariantTitles, Outfit::count> kVariantTitles{{
    {"Lagoon hibiscus", "Coral lei", "Midnight palms", "Sunshine blooms", "Papaya fronds",
     "Ocean swell", "Guava petals", "Island vines", "Volcanic sunset", "Seafoam garden"},
    {"Harbor yellow", "Cobalt chevrons", "Poppy storm", "Forest snaps", "Cream regatta",
     "Plum raindrops", "Orange rescue", "Teal deck", "Navy signal", "Rose drizzle"},
    {"Glacier down", "Cranberry peaks", "Pine diamonds", "Arctic stars", "Lavender quilt",
     "Copper expedition", "Midnight slopes", "Mint alpine", "Polar checks", "Berry ridge"},
    {"Terracotta knit", "Oat cable", "Heather argyle", "Forest Fair Isle", "Navy rib",
     "Honey herringbone", "Rose moss", "Alpine stripes", "Plum honeycomb", "Sea glass braid"},
    {"Oatmeal weave", "Indigo ticking", "Sage windowpane", "Clay gingham", "Ivory herringbone",
     "Flax dots", "Denim selvedge", "Rose crosshatch", "Olive checks", "Sand ladder"},
}};

constexpr std::uint64_t kFnvOffsetBasis = 0xcbf29ce484222325;
constexpr std::uint64_t kFnvPrime = 0x100000001b3;

// Wraps modulo 2^64 by unsigned arithmetic.
std::uint64_t fnv1a(std::uint64_t hash, std::string_view bytes) {
    for (unsigned char byte : bytes) {
        hash ^= byte;
        hash *= kFnvPrime;
    }
    return hash;
}

} // namespace

ClothVariant ClothVariant::automatic(std::string_view bundleID, std::uint32_t windowID) {
    // The key is hashed piece by piece instead of being assembled: the
    // identifier, one zero byte, then the decimal window number.
    char digits[10];
    auto written = std::to_chars(digits, digits + sizeof digits, windowID);
    std::uint64_t hash = fnv1a(kFnvOffsetBasis, bundleID);
    hash = fnv1a(hash, std::string_view("\0", 1));
    hash = fnv1a(hash, std::string_view(digits, static_cast<std::size_t>(written.ptr - digits)));
    return ClothVariant(static_cast<Case>(hash % count));
}

std::optional<ClothVariant> ClothVariant::parse(std::int64_t rawValue) {
    if (rawValue < 0 || rawValue >= static_cast<std::int64_t>(count))
        return std::nullopt;
    return ClothVariant(static_cast<Case>(rawValue));
}

std::string_view ClothVariant::title(Outfit outfit) const {
    return kVariantTitles[outfit.index()][static_cast<std::size_t>(rawValue())];
}

void to_json(nlohmann::json& json, const ClothVariant& variant) {
    json = variant.rawValue();
}

} // namespace garbello
