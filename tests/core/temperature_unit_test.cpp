#include "model/temperature_unit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace garbello {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

TEST(TemperatureUnitTest, RawValuesTitlesAndSymbols) {
    EXPECT_EQ(TemperatureUnit(TemperatureUnit::celsius).title(), "Celsius");
    EXPECT_EQ(TemperatureUnit(TemperatureUnit::celsius).symbol(), "°C");
    EXPECT_EQ(TemperatureUnit(TemperatureUnit::fahrenheit).title(), "Fahrenheit");
    EXPECT_EQ(TemperatureUnit(TemperatureUnit::fahrenheit).symbol(), "°F");

    EXPECT_EQ(TemperatureUnit::parse("celsius"), TemperatureUnit::celsius);
    EXPECT_EQ(TemperatureUnit::parse("fahrenheit"), TemperatureUnit::fahrenheit);
    for (const char* text : {"Celsius", "FAHRENHEIT", " celsius", "celsius ", "°C", ""})
        EXPECT_EQ(TemperatureUnit::parse(text), std::nullopt) << text;
}

TEST(TemperatureUnitTest, DisplayRoundsHalvesAwayFromZeroAndNeverShowsMinusZero) {
    struct Case {
        TemperatureUnit unit;
        double celsius;
        const char* expected;
    };
    const Case cases[] = {
        {TemperatureUnit::celsius, 21.5, "22°C"},
        {TemperatureUnit::celsius, 2.5, "3°C"},
        {TemperatureUnit::celsius, -2.5, "-3°C"},
        {TemperatureUnit::celsius, 2.49, "2°C"},
        {TemperatureUnit::celsius, -0.4, "0°C"},
        {TemperatureUnit::celsius, -0.5, "-1°C"},
        {TemperatureUnit::celsius, -0.0, "0°C"},
        {TemperatureUnit::celsius, 14, "14°C"},
        {TemperatureUnit::celsius, 1e6, "1000000°C"},
        {TemperatureUnit::fahrenheit, 0, "32°F"},
        {TemperatureUnit::fahrenheit, -17.9, "0°F"},
        {TemperatureUnit::fahrenheit, -40, "-40°F"},
        {TemperatureUnit::fahrenheit, 22, "72°F"},
        {TemperatureUnit::fahrenheit, 37, "99°F"},
        {TemperatureUnit::fahrenheit, 2.5, "37°F"},
        {TemperatureUnit::celsius, kNaN, "—"},
        {TemperatureUnit::celsius, kInfinity, "—"},
        {TemperatureUnit::fahrenheit, -kInfinity, "—"},
        // The conversion itself overflows to infinity.
        {TemperatureUnit::fahrenheit, 1e308, "—"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.unit.display(c.celsius), c.expected) << c.unit.rawValue() << " " << c.celsius;
}

} // namespace
} // namespace garbello
