#include "model/outfit_rules.h"

#include <gtest/gtest.h>

#include <chrono>
#include <limits>

namespace garbello {
namespace {

using namespace std::chrono;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr TemperatureUnit kC = TemperatureUnit::celsius;
constexpr TemperatureUnit kF = TemperatureUnit::fahrenheit;

Date utc(int year, unsigned month, unsigned day, int hour = 12, int minute = 0) {
    return sys_days{std::chrono::year{year} / month / day} + hours(hour) + minutes(minute);
}

const Date kJanuary = utc(2026, 1, 15);
const Date kApril = utc(2026, 4, 15);
const Date kJuly = utc(2026, 7, 15);
const Date kOctober = utc(2026, 10, 15);
const Date kDecember = utc(2026, 12, 15);

// What the rules read, mild, dry and cloudy at 45° north in UTC unless a case
// says otherwise.
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
};

struct RuleCase {
    const char* name;
    Reading reading;
    Date date;
    std::optional<Outfit> override;
    TemperatureUnit unit;
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
        OutfitDecision decision = OutfitRules::choose(weather, c.date, c.override, c.unit);
        EXPECT_EQ(decision, (OutfitDecision{c.outfit, c.reason}))
            << c.name << ": got " << decision.outfit.rawValue() << ", " << decision.reason;
    }
}

// The tables are laid out by hand, one case per entry.
// clang-format off
TEST(OutfitRulesTest, EachStepDecidesInOrderAtItsBoundaries) {
    const Reading blizzard{.temperature = -10, .apparent = -18, .snowfall = 4, .code = 75};
    expectDecisions({
        {"override beats a blizzard", blizzard, kJanuary, Outfit::linen, kC,
         Outfit::linen, "manual outfit selection"},
        {"snowfall before any temperature test",
         {.temperature = 30, .apparent = 30, .snowfall = 0.1, .code = 0}, kJuly, {}, kC,
         Outfit::snowGear, "snow or ice, 30°C"},
        {"snow code without amounts", {.code = 71}, kJuly, {}, kC,
         Outfit::snowGear, "snow or ice, 18°C"},
        {"freezing-rain code counts as ice", {.code = 66}, kJuly, {}, kC,
         Outfit::snowGear, "snow or ice, 18°C"},
        {"apparent just below zero", {.temperature = 2, .apparent = -0.4}, kJanuary, {}, kC,
         Outfit::snowGear, "freezing conditions; feels like 0°C"},
        {"apparent exactly zero", {.temperature = 5, .apparent = 0}, kJanuary, {}, kC,
         Outfit::snowGear, "freezing conditions; feels like 0°C"},
        {"freezing beats rain", {.temperature = -1, .apparent = -1, .rain = 2, .code = 61},
         kJanuary, {}, kC, Outfit::snowGear, "freezing conditions; feels like -1°C"},
        {"rain code without amounts", {.code = 61}, kJuly, {}, kC,
         Outfit::rainJacket, "rain or drizzle, 18°C"},
        {"rain amount", {.rain = 0.1}, kJuly, {}, kC,
         Outfit::rainJacket, "rain or drizzle, 18°C"},
        {"precipitation amount", {.precipitation = 0.1}, kJuly, {}, kC,
         Outfit::rainJacket, "rain or drizzle, 18°C"},
        {"exactly 26 is hot", {.temperature = 26, .apparent = 26}, kJanuary, {}, kC,
         Outfit::hawaiian, "hot and dry, 26°C"},
        {"25.9 is not hot although it shows as 26", {.temperature = 25.9, .apparent = 25.9},
         kJanuary, {}, kC, Outfit::linen, "mild and dry, 26°C"},
        {"spring rain at exactly 50%", {.probability = 50}, kApril, {}, kC,
         Outfit::rainJacket, "spring rain likely today (50%)"},
        {"49.9% is not likely", {.probability = 49.9}, kApril, {}, kC,
         Outfit::linen, "mild and dry, 18°C"},
        {"the percentage is truncated", {.probability = 62.9}, kOctober, {}, kC,
         Outfit::rainJacket, "autumn rain likely today (62%)"},
        {"no rain-likely step in summer", {.probability = 80}, kJuly, {}, kC,
         Outfit::hawaiian, "a dry summer day, 18°C"},
        {"no rain-likely step in winter", {.probability = 80}, kJanuary, {}, kC,
         Outfit::linen, "mild and dry, 18°C"},
        {"cold exactly 16 is not cool", {.temperature = 16, .apparent = 16}, kOctober, {}, kC,
         Outfit::linen, "mild and dry, 16°C"},
        {"apparent 15.9 is cool", {.temperature = 20, .apparent = 15.9}, kOctober, {}, kC,
         Outfit::sweater, "cool and dry; feels like 16°C"},
        {"warm but overcast", {.temperature = 23, .apparent = 23, .probability = 10}, kOctober,
         {}, kC, Outfit::linen, "mild and dry, 23°C"},
        {"warm and mainly clear", {.temperature = 23, .apparent = 23, .code = 1}, kOctober, {},
         kC, Outfit::hawaiian, "warm and sunny, 23°C"},
        {"exactly 22 and clear", {.temperature = 22, .apparent = 22, .code = 0}, kDecember, {},
         kC, Outfit::hawaiian, "warm and sunny, 22°C"},
        {"21.9 and partly cloudy", {.temperature = 21.9, .apparent = 21.9, .code = 2},
         kDecember, {}, kC, Outfit::linen, "mild and dry, 22°C"},
    });
}

TEST(OutfitRulesTest, NonNumbersFailEveryTestTheyTakePartIn) {
    expectDecisions({
        {"missing apparent temperature leaves the air temperature",
         {.temperature = 10, .apparent = kNaN}, kOctober, {}, kC,
         Outfit::sweater, "cool and dry; feels like —"},
        {"missing temperature", {.temperature = kNaN}, kOctober, {}, kC,
         Outfit::linen, "mild and dry, —"},
        {"missing probability", {.probability = kNaN}, kApril, {}, kC,
         Outfit::linen, "mild and dry, 18°C"},
        {"an infinite probability is written without a number", {.probability = kInfinity},
         kApril, {}, kC, Outfit::rainJacket, "spring rain likely today (—%)"},
        {"a probability beyond any integer is written in full", {.probability = 1e20},
         kApril, {}, kC, Outfit::rainJacket, "spring rain likely today (100000000000000000000%)"},
    });
}

TEST(OutfitRulesTest, FahrenheitChangesOnlyTheShownTemperatures) {
    expectDecisions({
        {"mild", {.temperature = 22, .apparent = 22}, kOctober, {}, kF,
         Outfit::linen, "mild and dry, 72°F"},
        {"hot threshold stays 26 °C", {.temperature = 26, .apparent = 26}, kOctober, {}, kF,
         Outfit::hawaiian, "hot and dry, 79°F"},
        {"freezing threshold stays 0 °C", {.temperature = 2, .apparent = -0.4}, kJanuary, {}, kF,
         Outfit::snowGear, "freezing conditions; feels like 31°F"},
        {"cool", {.apparent = 10}, kOctober, {}, kF,
         Outfit::sweater, "cool and dry; feels like 50°F"},
        {"override ignores the unit", {}, kOctober, Outfit::snowGear, kF,
         Outfit::snowGear, "manual outfit selection"},
    });
}

TEST(OutfitRulesTest, SeasonsFollowTheHemisphere) {
    expectDecisions({
        {"April in the south is autumn", {.probability = 50, .latitude = -33.9}, kApril, {}, kC,
         Outfit::rainJacket, "autumn rain likely today (50%)"},
        {"October in the south is spring", {.probability = 50, .latitude = -33.9}, kOctober, {},
         kC, Outfit::rainJacket, "spring rain likely today (50%)"},
        {"July in the south is winter", {.latitude = -34}, kJuly, {}, kC,
         Outfit::linen, "mild and dry, 18°C"},
        {"January in the south is summer", {.latitude = -34}, kJanuary, {}, kC,
         Outfit::hawaiian, "a dry summer day, 18°C"},
        {"December in the south is summer", {.latitude = -34}, kDecember, {}, kC,
         Outfit::hawaiian, "a dry summer day, 18°C"},
        {"the equator counts as north", {.latitude = 0}, kJuly, {}, kC,
         Outfit::hawaiian, "a dry summer day, 18°C"},
        {"negative zero counts as north", {.latitude = -0.0}, kJuly, {}, kC,
         Outfit::hawaiian, "a dry summer day, 18°C"},
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
        {"31 March 23:30 UTC is April in Tokyo", in("Asia/Tokyo"), endOfMarch, {}, kC,
         Outfit::rainJacket, spring},
        {"and March in an unknown zone", in("Mars/Olympus"), endOfMarch, {}, kC,
         Outfit::rainJacket, spring},
        {"30 November 23:30 UTC is December in Tokyo", in("Asia/Tokyo"), endOfNovember, {}, kC,
         Outfit::linen, winter},
        {"and November in an unknown zone", in("Not/AZone"), endOfNovember, {}, kC,
         Outfit::rainJacket, autumn},
        {"and November in UTC", in("UTC"), endOfNovember, {}, kC, Outfit::rainJacket, autumn},
        {"28 February 23:30 UTC is March in Tokyo", in("Asia/Tokyo"), endOfFebruary, {}, kC,
         Outfit::rainJacket, spring},
        {"and February for an empty zone", in(""), endOfFebruary, {}, kC, Outfit::linen, winter},
        {"and February for the place's \"auto\"", in("auto"), endOfFebruary, {}, kC,
         Outfit::linen, winter},
        {"a zone west of UTC is still in May", in("America/Los_Angeles"), firstOfJuneUtc, {}, kC,
         Outfit::rainJacket, spring},
        {"while UTC is in June", in("UTC"), firstOfJuneUtc, {}, kC, Outfit::hawaiian, summer},
        {"a path is not a zone name", in("../../../etc/passwd"), firstOfJuneUtc, {}, kC,
         Outfit::hawaiian, summer},
    });
}
// clang-format on

} // namespace
} // namespace garbello
