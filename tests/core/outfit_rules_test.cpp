#include "model/outfit_rules.h"

#include <gtest/gtest.h>

#include <chrono>
#include <limits>

namespace garbello {
namespace {

using namespace std::chrono;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

Date utc(int year, unsigned month, unsigned day, int hour = 12, int minute = 0) {
    return sys_days{std::chrono::year{year} / month / day} + hours(hour) + minutes(minute);
}

// Mild, dry and calm at 45° north in UTC; each case changes what it tests.
WeatherSnapshot mild() {
    return {.temperature = 18,
            .apparentTemperature = 18,
            .weatherCode = 3,
            .latitude = 45,
            .timezone = "UTC"};
}

struct RuleCase {
    const char* name;
    WeatherSnapshot weather;
    Date date;
    std::optional<Outfit> override;
    TemperatureUnit unit;
    OutfitDecision expected;
};

template <typename Change> WeatherSnapshot mildWith(Change change) {
    WeatherSnapshot weather = mild();
    change(weather);
    return weather;
}

void expectDecisions(const std::vector<RuleCase>& cases) {
    for (const RuleCase& c : cases) {
        OutfitDecision decision = OutfitRules::choose(c.weather, c.date, c.override, c.unit);
        EXPECT_EQ(decision.outfit.rawValue(), c.expected.outfit.rawValue()) << c.name;
        EXPECT_EQ(decision.reason, c.expected.reason) << c.name;
    }
}

const Date kJanuary = utc(2026, 1, 15);
const Date kApril = utc(2026, 4, 15);
const Date kJuly = utc(2026, 7, 15);
const Date kOctober = utc(2026, 10, 15);
const Date kDecember = utc(2026, 12, 15);
constexpr TemperatureUnit kC = TemperatureUnit::celsius;
constexpr TemperatureUnit kF = TemperatureUnit::fahrenheit;

TEST(OutfitRulesTest, EachStepDecidesInOrderAtItsBoundaries) {
    auto blizzard = mildWith([](auto& w) {
        w.temperature = -10;
        w.apparentTemperature = -18;
        w.snowfall = 4;
        w.weatherCode = 75;
    });
    expectDecisions({
        {"override beats a blizzard",
         blizzard,
         kJanuary,
         Outfit::linen,
         kC,
         {Outfit::linen, "manual outfit selection"}},
        {"snowfall before any temperature test",
         mildWith([](auto& w) {
             w.snowfall = 0.1;
             w.weatherCode = 0;
             w.temperature = w.apparentTemperature = 30;
         }),
         kJuly,
         std::nullopt,
         kC,
         {Outfit::snowGear, "snow or ice, 30°C"}},
        {"snow code without amounts",
         mildWith([](auto& w) { w.weatherCode = 71; }),
         kJuly,
         std::nullopt,
         kC,
         {Outfit::snowGear, "snow or ice, 18°C"}},
        {"freezing rain code counts as ice",
         mildWith([](auto& w) { w.weatherCode = 66; }),
         kJuly,
         std::nullopt,
         kC,
         {Outfit::snowGear, "snow or ice, 18°C"}},
        {"apparent just below zero",
         mildWith([](auto& w) {
             w.temperature = 2;
             w.apparentTemperature = -0.4;
         }),
         kJanuary,
         std::nullopt,
         kC,
         {Outfit::snowGear, "freezing conditions; feels like 0°C"}},
        {"apparent exactly zero",
         mildWith([](auto& w) {
             w.temperature = 5;
             w.apparentTemperature = 0;
         }),
         kJanuary,
         std::nullopt,
         kC,
         {Outfit::snowGear, "freezing conditions; feels like 0°C"}},
        {"freezing beats rain",
         mildWith([](auto& w) {
             w.temperature = w.apparentTemperature = -1;
             w.rain = 2;
             w.weatherCode = 61;
         }),
         kJanuary,
         std::nullopt,
         kC,
         {Outfit::snowGear, "freezing conditions; feels like -1°C"}},
        {"rain code without amounts",
         mildWith([](auto& w) { w.weatherCode = 61; }),
         kJuly,
         std::nullopt,
         kC,
         {Outfit::rainJacket, "rain or drizzle, 18°C"}},
        {"rain amount",
         mildWith([](auto& w) { w.rain = 0.1; }),
         kJuly,
         std::nullopt,
         kC,
         {Outfit::rainJacket, "rain or drizzle, 18°C"}},
        {"precipitation amount",
         mildWith([](auto& w) { w.precipitation = 0.1; }),
         kJuly,
         std::nullopt,
         kC,
         {Outfit::rainJacket, "rain or drizzle, 18°C"}},
        {"exactly 26 is hot",
         mildWith([](auto& w) { w.temperature = w.apparentTemperature = 26; }),
         kJanuary,
         std::nullopt,
         kC,
         {Outfit::hawaiian, "hot and dry, 26°C"}},
        {"25.9 is not hot although it shows as 26",
         mildWith([](auto& w) { w.temperature = w.apparentTemperature = 25.9; }),
         kJanuary,
         std::nullopt,
         kC,
         {Outfit::linen, "mild and dry, 26°C"}},
        {"spring rain at exactly 50%",
         mildWith([](auto& w) { w.precipitationProbability = 50; }),
         kApril,
         std::nullopt,
         kC,
         {Outfit::rainJacket, "spring rain likely today (50%)"}},
        {"49.9% is not likely",
         mildWith([](auto& w) { w.precipitationProbability = 49.9; }),
         kApril,
         std::nullopt,
         kC,
         {Outfit::linen, "mild and dry, 18°C"}},
        {"the percentage is truncated",
         mildWith([](auto& w) { w.precipitationProbability = 62.9; }),
         kOctober,
         std::nullopt,
         kC,
         {Outfit::rainJacket, "autumn rain likely today (62%)"}},
        {"no rain-likely step in summer",
         mildWith([](auto& w) { w.precipitationProbability = 80; }),
         kJuly,
         std::nullopt,
         kC,
         {Outfit::hawaiian, "a dry summer day, 18°C"}},
        {"no rain-likely step in winter",
         mildWith([](auto& w) { w.precipitationProbability = 80; }),
         kJanuary,
         std::nullopt,
         kC,
         {Outfit::linen, "mild and dry, 18°C"}},
        {"cold exactly 16 is not cool",
         mildWith([](auto& w) { w.temperature = w.apparentTemperature = 16; }),
         kOctober,
         std::nullopt,
         kC,
         {Outfit::linen, "mild and dry, 16°C"}},
        {"apparent 15.9 is cool",
         mildWith([](auto& w) {
             w.temperature = 20;
             w.apparentTemperature = 15.9;
         }),
         kOctober,
         std::nullopt,
         kC,
         {Outfit::sweater, "cool and dry; feels like 16°C"}},
        {"warm but cloudy",
         mildWith([](auto& w) {
             w.temperature = w.apparentTemperature = 23;
             w.precipitationProbability = 10;
         }),
         kOctober,
         std::nullopt,
         kC,
         {Outfit::linen, "mild and dry, 23°C"}},
        {"warm and mainly clear",
         mildWith([](auto& w) {
             w.temperature = w.apparentTemperature = 23;
             w.weatherCode = 1;
         }),
         kOctober,
         std::nullopt,
         kC,
         {Outfit::hawaiian, "warm and sunny, 23°C"}},
        {"exactly 22 and clear",
         mildWith([](auto& w) {
             w.temperature = w.apparentTemperature = 22;
             w.weatherCode = 0;
         }),
         kDecember,
         std::nullopt,
         kC,
         {Outfit::hawaiian, "warm and sunny, 22°C"}},
        {"21.9 and partly cloudy",
         mildWith([](auto& w) {
             w.temperature = w.apparentTemperature = 21.9;
             w.weatherCode = 2;
         }),
         kDecember,
         std::nullopt,
         kC,
         {Outfit::linen, "mild and dry, 22°C"}},
    });
}

TEST(OutfitRulesTest, NotANumberFailsEveryTestItTakesPartIn) {
    expectDecisions({
        {"missing apparent temperature leaves the air temperature",
         mildWith([](auto& w) {
             w.temperature = 10;
             w.apparentTemperature = kNaN;
         }),
         kOctober,
         std::nullopt,
         kC,
         {Outfit::sweater, "cool and dry; feels like —"}},
        {"missing temperature",
         mildWith([](auto& w) { w.temperature = kNaN; }),
         kOctober,
         std::nullopt,
         kC,
         {Outfit::linen, "mild and dry, —"}},
        {"missing probability",
         mildWith([](auto& w) { w.precipitationProbability = kNaN; }),
         kApril,
         std::nullopt,
         kC,
         {Outfit::linen, "mild and dry, 18°C"}},
        {"an infinite probability is written without a number",
         mildWith(
             [](auto& w) { w.precipitationProbability = std::numeric_limits<double>::infinity(); }),
         kApril,
         std::nullopt,
         kC,
         {Outfit::rainJacket, "spring rain likely today (—%)"}},
    });
}

TEST(OutfitRulesTest, FahrenheitChangesOnlyTheShownTemperatures) {
    expectDecisions({
        {"mild",
         mildWith([](auto& w) { w.temperature = w.apparentTemperature = 22; }),
         kOctober,
         std::nullopt,
         kF,
         {Outfit::linen, "mild and dry, 72°F"}},
        {"hot threshold stays 26 °C",
         mildWith([](auto& w) { w.temperature = w.apparentTemperature = 26; }),
         kOctober,
         std::nullopt,
         kF,
         {Outfit::hawaiian, "hot and dry, 79°F"}},
        {"freezing threshold stays 0 °C",
         mildWith([](auto& w) {
             w.temperature = 2;
             w.apparentTemperature = -0.4;
         }),
         kJanuary,
         std::nullopt,
         kF,
         {Outfit::snowGear, "freezing conditions; feels like 31°F"}},
        {"cool",
         mildWith([](auto& w) { w.apparentTemperature = 10; }),
         kOctober,
         std::nullopt,
         kF,
         {Outfit::sweater, "cool and dry; feels like 50°F"}},
        {"override ignores the unit",
         mild(),
         kOctober,
         Outfit::snowGear,
         kF,
         {Outfit::snowGear, "manual outfit selection"}},
    });
}

TEST(OutfitRulesTest, SeasonsFollowTheHemisphere) {
    auto at = [](double latitude) {
        return mildWith([=](auto& w) {
            w.latitude = latitude;
            w.precipitationProbability = 50;
        });
    };
    expectDecisions({
        {"April in the south is autumn",
         at(-33.9),
         kApril,
         std::nullopt,
         kC,
         {Outfit::rainJacket, "autumn rain likely today (50%)"}},
        {"October in the south is spring",
         at(-33.9),
         kOctober,
         std::nullopt,
         kC,
         {Outfit::rainJacket, "spring rain likely today (50%)"}},
        {"July in the south is winter",
         at(-34),
         kJuly,
         std::nullopt,
         kC,
         {Outfit::linen, "mild and dry, 18°C"}},
        {"January in the south is summer",
         at(-34),
         kJanuary,
         std::nullopt,
         kC,
         {Outfit::hawaiian, "a dry summer day, 18°C"}},
        {"December in the south is summer",
         at(-34),
         kDecember,
         std::nullopt,
         kC,
         {Outfit::hawaiian, "a dry summer day, 18°C"}},
        {"the equator counts as north",
         at(0),
         kJuly,
         std::nullopt,
         kC,
         {Outfit::hawaiian, "a dry summer day, 18°C"}},
        {"negative zero counts as north",
         at(-0.0),
         kJuly,
         std::nullopt,
         kC,
         {Outfit::hawaiian, "a dry summer day, 18°C"}},
    });
}

TEST(OutfitRulesTest, TheMonthIsTakenInTheSnapshotsZoneWithUtcForUnknownZones) {
    auto in = [](const char* zone) {
        return mildWith([=](auto& w) {
            w.timezone = zone;
            w.precipitationProbability = 50;
        });
    };
    const Date endOfMarch = utc(2026, 3, 31, 23, 30);
    const Date endOfNovember = utc(2026, 11, 30, 23, 30);
    const Date endOfFebruary = utc(2026, 2, 28, 23, 30);
    const Date firstOfJuneUtc = utc(2026, 6, 1, 3, 0);
    const OutfitDecision spring{Outfit::rainJacket, "spring rain likely today (50%)"};
    const OutfitDecision autumn{Outfit::rainJacket, "autumn rain likely today (50%)"};
    const OutfitDecision winter{Outfit::linen, "mild and dry, 18°C"};
    const OutfitDecision summer{Outfit::hawaiian, "a dry summer day, 18°C"};
    expectDecisions({
        {"31 March 23:30 UTC is April in Tokyo", in("Asia/Tokyo"), endOfMarch, std::nullopt, kC,
         spring},
        {"and March in an unknown zone", in("Mars/Olympus"), endOfMarch, std::nullopt, kC, spring},
        {"30 November 23:30 UTC is December in Tokyo", in("Asia/Tokyo"), endOfNovember,
         std::nullopt, kC, winter},
        {"and November in an unknown zone", in("Not/AZone"), endOfNovember, std::nullopt, kC,
         autumn},
        {"and November in UTC", in("UTC"), endOfNovember, std::nullopt, kC, autumn},
        {"28 February 23:30 UTC is March in Tokyo", in("Asia/Tokyo"), endOfFebruary, std::nullopt,
         kC, spring},
        {"and February for an empty zone", in(""), endOfFebruary, std::nullopt, kC, winter},
        {"and February for the place's \"auto\"", in("auto"), endOfFebruary, std::nullopt, kC,
         winter},
        {"a zone west of UTC is still in May", in("America/Los_Angeles"), firstOfJuneUtc,
         std::nullopt, kC, spring},
        {"while UTC is in June", in("UTC"), firstOfJuneUtc, std::nullopt, kC, summer},
        {"a path is not a zone name", in("../../../etc/passwd"), firstOfJuneUtc, std::nullopt, kC,
         summer},
    });
}

} // namespace
} // namespace garbello
