#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace garbello {

// The unit in which temperatures are shown to the user. Values are always
// kept in Celsius; only `display` converts.
class TemperatureUnit {
public:
    enum Case : std::uint8_t { celsius, fahrenheit };

    static constexpr std::size_t count = 2;

    constexpr TemperatureUnit(Case value) : value_(value) {}
    constexpr operator Case() const { return value_; }

    // Exactly "celsius" or "fahrenheit".
    static std::optional<TemperatureUnit> parse(std::string_view rawValue);
    static constexpr std::array<TemperatureUnit, count> allCases() { return {celsius, fahrenheit}; }

    std::string_view rawValue() const;
    std::string_view title() const;
    std::string_view symbol() const;

    // A Celsius value as the user reads it: a whole number (halves away from
    // zero, never "-0") followed by the symbol, e.g. "14°C"; an em dash alone
    // when the value is not a finite number.
    std::string display(double celsius) const;

private:
    Case value_;
};

} // namespace garbello
