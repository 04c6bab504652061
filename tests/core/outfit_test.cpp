#include "model/cloth_variant.h"
#include "model/outfit.h"
#include "model/temperature_unit.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <limits>

namespace garbello {
namespace {

// The raw values are what the settings file and the protocol carry: each
// parses back and is the JSON form, and near misses parse to nothing. (Every
// variant's title is pinned by the diagnostics record.)
template <class Value, class Raw> void expectExactRawValues(std::initializer_list<Raw> nearMisses) {
    for (Value value : Value::allCases()) {
        EXPECT_EQ(Value::parse(value.rawValue()), value);
        EXPECT_EQ(nlohmann::json(value), value.rawValue());
    }
    for (Raw raw : nearMisses)
        EXPECT_EQ(Value::parse(raw), std::nullopt) << raw;
}

TEST(RawValueTest, OutfitsAndVariantsParseBackExactlyAndAreTheJsonForm) {
    expectExactRawValues<Outfit, const char*>(
        {"Hawaiian", "rainjacket", " linen", "linen ", "", "Light linen"});
    EXPECT_EQ(Outfit::parse("snowGear"), Outfit::snowGear);
    expectExactRawValues<ClothVariant, std::int64_t>({-1, 10, INT64_MIN, INT64_MAX});
}

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr TemperatureUnit kC = TemperatureUnit::celsius;
constexpr TemperatureUnit kF = TemperatureUnit::fahrenheit;

TEST(TemperatureUnitTest, ParseAcceptsOnlyTheExactRawValues) {
    EXPECT_EQ(TemperatureUnit::parse("celsius"), kC);
    EXPECT_EQ(TemperatureUnit::parse("fahrenheit"), kF);
    for (const char* text : {"Celsius", "FAHRENHEIT", " celsius", "celsius ", "°C", ""})
        EXPECT_EQ(TemperatureUnit::parse(text), std::nullopt) << text;
}

TEST(TemperatureUnitTest, DisplayRoundsHalvesAwayFromZeroAndNeverShowsMinusZero) {
    // The unit, degrees Celsius and the text; 1e308 °C overflows to infinity in Fahrenheit.
    const std::tuple<TemperatureUnit, double, const char*> cases[] = {
        {kC, 21.5, "22°C"}, {kC, -2.5, "-3°C"},   {kC, 2.49, "2°C"},      {kC, -0.4, "0°C"},
        {kC, -0.5, "-1°C"}, {kC, -0.0, "0°C"},    {kC, 1e6, "1000000°C"}, {kF, 0, "32°F"},
        {kF, -17.9, "0°F"}, {kF, -40, "-40°F"},   {kF, 37, "99°F"},       {kF, 2.5, "37°F"},
        {kC, kNaN, "—"},    {kC, kInfinity, "—"}, {kF, -kInfinity, "—"},  {kF, 1e308, "—"},
    };
    for (const auto& [unit, celsius, expected] : cases)
        EXPECT_EQ(unit.display(celsius), expected) << unit.rawValue() << " " << celsius;
}

} // namespace
} // namespace garbello
