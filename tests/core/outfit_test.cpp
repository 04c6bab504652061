#include "model/cloth_variant.h"
#include "model/outfit.h"
#include "model/outfit_rules.h"
#include "model/temperature_unit.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <limits>

namespace garbello {
namespace {

using namespace std::chrono;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr TemperatureUnit kC = TemperatureUnit::celsius;
constexpr TemperatureUnit kF = TemperatureUnit::fahrenheit;

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

Date utc(int year, unsigned month, unsigned day, int hour = 12, int minute = 0) {
    return sys_days{std::chrono::year{year} / month / day} + hours(hour) + minutes(minute);
}

const Date kJanuary = utc(2026, 1, 15);
const Date kApril = utc(2026, 4, 15);
const Date kJuly = utc(2026, 7, 15);
const Date kOctober = utc(2026, 10, 15);
const Date kDecember = utc(2026, 12, 15);

// What the rules read: mild, dry and cloudy at 45° north in UTC, in Celsius and
// without an override, unless a case says otherwise.
struct Reading {
    double temperature = 18;
    double apparent = 18;
    double rain = 0;
    double precipitation = 0;
    double snowfall = 0;
    std::int64_t code = 3;
    double probability = 0;
    double latitude = 45;
    const char* zone = "UTC";
    std::optional<Outfit> override = std::nullopt;
    TemperatureUnit unit = TemperatureUnit::celsius;
};

// Air and felt temperature both `degrees`.
Reading at(double degrees) {
    return {.temperature = degrees, .apparent = degrees};
}

struct RuleCase {
    const char* name;
    Reading reading;
    Date date;
    Outfit outfit;
    const char* reason;
};

void expectDecisions(const std::vector<RuleCase>& cases) {
    for (const RuleCase& c : cases) {
        const Reading& r = c.reading;
        WeatherSnapshot weather{.temperature = r.temperature,
                                .apparentTemperature = r.apparent,
                                .precipitation = r.precipitation,
                                .rain = r.rain,
                                .snowfall = r.snowfall,
                                .windSpeed = 10,
                                .weatherCode = r.code,
                                .precipitationProbability = r.probability,
                                .uvIndex = 5,
                                .observedAt = c.date,
                                .latitude = r.latitude,
                                .timezone = r.zone};
        OutfitDecision decision = OutfitRules::choose(weather, c.date, r.override, r.unit);
        EXPECT_EQ(decision, (OutfitDecision{c.outfit, c.reason}))
            << c.name << ": got " << decision.outfit.rawValue() << ", " << decision.reason;
    }
}

using enum Outfit::Case;

// The tables are laid out by hand, one case per entry.
// clang-format off
TEST(OutfitRulesTest, EachStepDecidesInOrderAtItsBoundaries) {
    expectDecisions({
        {"override beats a blizzard",
         {.temperature = -10, .apparent = -18, .snowfall = 4, .code = 75, .override = linen},
         kJanuary, linen, "manual outfit selection"},
        {"snowfall before any temperature test",
         {.temperature = 30, .apparent = 30, .snowfall = 0.1, .code = 0}, kJuly, snowGear,
         "snow or ice, 30°C"},
        {"snow code without amounts", {.code = 71}, kJuly, snowGear, "snow or ice, 18°C"},
        {"freezing-rain code counts as ice", {.code = 66}, kJuly, snowGear, "snow or ice, 18°C"},
        {"apparent just below zero", {.temperature = 2, .apparent = -0.4}, kJanuary, snowGear,
         "freezing conditions; feels like 0°C"},
        {"apparent exactly zero", {.temperature = 5, .apparent = 0}, kJanuary, snowGear,
         "freezing conditions; feels like 0°C"},
        {"freezing beats rain", {.temperature = -1, .apparent = -1, .rain = 2, .code = 61},
         kJanuary, snowGear, "freezing conditions; feels like -1°C"},
        {"rain code without amounts", {.code = 61}, kJuly, rainJacket, "rain or drizzle, 18°C"},
        {"rain amount", {.rain = 0.1}, kJuly, rainJacket, "rain or drizzle, 18°C"},
        {"precipitation amount", {.precipitation = 0.1}, kJuly, rainJacket,
         "rain or drizzle, 18°C"},
        {"exactly 26 is hot", at(26), kJanuary, hawaiian, "hot and dry, 26°C"},
        {"25.9 is not hot although shown as 26", at(25.9), kJanuary, linen, "mild and dry, 26°C"},
        {"spring rain at exactly 50%", {.probability = 50}, kApril, rainJacket,
         "spring rain likely today (50%)"},
        {"49.9% is not likely", {.probability = 49.9}, kApril, linen, "mild and dry, 18°C"},
        {"the percentage is truncated", {.probability = 62.9}, kOctober, rainJacket,
         "autumn rain likely today (62%)"},
        {"no rain-likely step in summer", {.probability = 80}, kJuly, hawaiian,
         "a dry summer day, 18°C"},
        {"exactly 16 is not cool", at(16), kOctober, linen, "mild and dry, 16°C"},
        {"apparent 15.9 is cool", {.temperature = 20, .apparent = 15.9}, kOctober, sweater,
         "cool and dry; feels like 16°C"},
        {"warm but overcast", at(23), kOctober, linen, "mild and dry, 23°C"},
        {"warm and mainly clear", {.temperature = 23, .apparent = 23, .code = 1}, kOctober,
         hawaiian, "warm and sunny, 23°C"},
        {"exactly 22 and clear in winter", {.temperature = 22, .apparent = 22, .code = 0},
         kDecember, hawaiian, "warm and sunny, 22°C"},
        {"21.9 and partly cloudy", {.temperature = 21.9, .apparent = 21.9, .code = 2}, kDecember,
         linen, "mild and dry, 22°C"},
    });
}

TEST(OutfitRulesTest, NonNumbersFailEveryTestTheyTakePartIn) {
    expectDecisions({
        {"no apparent temperature", {.temperature = 10, .apparent = kNaN}, kOctober, sweater,
         "cool and dry; feels like —"},
        {"no temperature", {.temperature = kNaN}, kOctober, linen, "mild and dry, —"},
        {"no probability", {.probability = kNaN}, kApril, linen, "mild and dry, 18°C"},
        {"infinite probability", {.probability = kInfinity}, kApril, rainJacket,
         "spring rain likely today (—%)"},
        {"a probability beyond any integer", {.probability = 1e20}, kApril, rainJacket,
         "spring rain likely today (100000000000000000000%)"},
    });
}

TEST(OutfitRulesTest, FahrenheitChangesOnlyTheShownTemperatures) {
    expectDecisions({
        {"hot threshold stays 26 °C", {.temperature = 26, .apparent = 26, .unit = kF}, kOctober,
         hawaiian, "hot and dry, 79°F"},
        {"freezing threshold stays 0 °C", {.temperature = 2, .apparent = -0.4, .unit = kF},
         kJanuary, snowGear, "freezing conditions; feels like 31°F"},
        {"override ignores the unit", {.override = snowGear, .unit = kF}, kOctober, snowGear,
         "manual outfit selection"},
    });
}

TEST(OutfitRulesTest, SeasonsFollowTheHemisphere) {
    const char* summer = "a dry summer day, 18°C";
    expectDecisions({
        {"April in the south is autumn", {.probability = 50, .latitude = -33.9}, kApril, rainJacket,
         "autumn rain likely today (50%)"},
        {"July in the south is winter", {.latitude = -34}, kJuly, linen, "mild and dry, 18°C"},
        {"December in the south is summer", {.latitude = -34}, kDecember, hawaiian, summer},
        {"the equator counts as north", {.latitude = 0}, kJuly, hawaiian, summer},
        {"negative zero counts as north", {.latitude = -0.0}, kJuly, hawaiian, summer},
    });
}

TEST(OutfitRulesTest, TheMonthIsTakenInTheSnapshotsZoneWithUtcForUnknownZones) {
    auto in = [](const char* zone) { return Reading{.probability = 50, .zone = zone}; };
    const Date endOfMarch = utc(2026, 3, 31, 23, 30);
    const Date endOfNovember = utc(2026, 11, 30, 23, 30);
    const Date endOfFebruary = utc(2026, 2, 28, 23, 30);
    const Date firstOfJuneUtc = utc(2026, 6, 1, 3, 0);
    const char* spring = "spring rain likely today (50%)";
    const char* autumn = "autumn rain likely today (50%)";
    const char* winter = "mild and dry, 18°C";
    const char* summer = "a dry summer day, 18°C";
    expectDecisions({
        {"31 March 23:30 UTC is April in Tokyo", in("Asia/Tokyo"), endOfMarch, rainJacket, spring},
        {"an unknown zone is read as UTC", in("Not/AZone"), endOfNovember, rainJacket, autumn},
        {"so is an empty zone", in(""), endOfFebruary, linen, winter},
        {"and the place's \"auto\"", in("auto"), endOfFebruary, linen, winter},
        {"a zone west of UTC is still in May", in("America/Los_Angeles"), firstOfJuneUtc,
         rainJacket, spring},
        {"while UTC is in June", in("UTC"), firstOfJuneUtc, hawaiian, summer},
        {"a path is not a zone name", in("../../../etc/passwd"), firstOfJuneUtc, hawaiian,
         summer},
    });
}
// clang-format on

} // namespace
} // namespace garbello
