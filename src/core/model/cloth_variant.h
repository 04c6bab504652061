#pragma once

#include "model/outfit.h"

#include <nlohmann/json_fwd.hpp>

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace garbello {

// One of the ten cloth designs of an outfit. A variant has no design of its
// own: the same case is a different cloth for each outfit.
class ClothVariant {
public:
    enum Case : std::int8_t {
        classic = 0,
        second,
        third,
        fourth,
        fifth,
        sixth,
        seventh,
        eighth,
        ninth,
        tenth
    };

    static constexpr std::size_t count = 10;

    constexpr ClothVariant(Case value) : value_(value) {}
    constexpr operator Case() const { return value_; }

    // Accepts exactly 0 through 9.
    static std::optional<ClothVariant> parse(std::int64_t rawValue);
    static constexpr std::array<ClothVariant, count> allCases() {
        return {classic, second, third, fourth, fifth, sixth, seventh, eighth, ninth, tenth};
    }

    constexpr int rawValue() const { return value_; }
    // Display name of this variant's cloth for `outfit`.
    std::string_view title(Outfit outfit) const;

    // The stable cloth of a window that nobody chose one for: 64-bit FNV-1a
    // over the UTF-8 bytes of the bundle identifier, a zero byte and the
    // window number in decimal, modulo 10. Independent of the outfit, so a
    // window keeps its variant number when the outfit changes.
    static ClothVariant automatic(std::string_view bundleID, std::uint32_t windowID);

private:
    Case value_;
};

// JSON form: the raw value as an integer.
void to_json(nlohmann::json& json, const ClothVariant& variant);

} // namespace garbello

template <> struct std::hash<garbello::ClothVariant> {
    std::size_t operator()(garbello::ClothVariant variant) const noexcept {
        return static_cast<std::size_t>(variant.rawValue());
    }
};
