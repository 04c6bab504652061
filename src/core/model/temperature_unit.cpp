#include "model/temperature_unit.h"

#include "support/raw_value.h"

#include <charconv>
#include <cmath>

namespace garbello {
namespace {

struct UnitNames {
    std::string_view rawValue;
    std::string_view title;
    std::string_view symbol;
};

constexpr std::array<UnitNames, TemperatureUnit::count> kUnitNames{{
    {"celsius", "Celsius", "°C"},
    {"fahrenheit", "Fahrenheit", "°F"},
}};

constexpr std::string_view kNotANumber = "—";

double toFahrenheit(double celsius) {
    return celsius * 9 / 5 + 32;
}

// Whole numbers print without a fraction; zero of either sign prints as "0".
std::string wholeNumberText(double rounded) {
    if (rounded == 0)
        return "0";
    // Large enough for every finite double in fixed notation.
    char buffer[400];
    auto result =
        std::to_chars(buffer, buffer + sizeof buffer, rounded, std::chars_format::fixed, 0);
    return std::string(buffer, result.ptr);
}

} // namespace

std::optional<TemperatureUnit> TemperatureUnit::parse(std::string_view rawValue) {
    return caseWithRawValue(allCases(), rawValue);
}

std::string_view TemperatureUnit::rawValue() const {
    return kUnitNames[value_].rawValue;
}

std::string_view TemperatureUnit::title() const {
    return kUnitNames[value_].title;
}

std::string_view TemperatureUnit::symbol() const {
    return kUnitNames[value_].symbol;
}

std::string TemperatureUnit::display(double celsius) const {
    double value = value_ == fahrenheit ? toFahrenheit(celsius) : celsius;
    if (!std::isfinite(value))
        return std::string(kNotANumber);
    // std::round rounds halves away from zero.
    return wholeNumberText(std::round(value)) + std::string(symbol());
}

} // namespace garbello
