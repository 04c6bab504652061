#pragma once

#include <nlohmann/json_fwd.hpp>

#include <array>
#include <compare>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

namespace garbello {

// The kind of cloth every dressed window wears at a given moment. The raw
// values appear in the settings file, the protocol and the diagnostics, so
// their spelling and the declaration order are fixed.
class Outfit {
public:
    enum Case : std::uint8_t { hawaiian, rainJacket, snowGear, sweater, linen };

    static constexpr std::size_t count = 5;

    constexpr Outfit(Case value) : value_(value) {}
    constexpr operator Case() const { return value_; }

    // Exactly one of the five case names, letter case included.
    static std::optional<Outfit> parse(std::string_view rawValue);
    static constexpr std::array<Outfit, count> allCases() {
        return {hawaiian, rainJacket, snowGear, sweater, linen};
    }

    std::string_view rawValue() const;
    std::string_view title() const;
    constexpr std::size_t index() const { return value_; }

private:
    Case value_;
};

// JSON form: the raw value as a string.
void to_json(nlohmann::json& json, const Outfit& outfit);

} // namespace garbello

template <> struct std::hash<garbello::Outfit> {
    std::size_t operator()(garbello::Outfit outfit) const noexcept { return outfit.index(); }
};
