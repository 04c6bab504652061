#include "weather/weather_session.h"

#include <gtest/gtest.h>

namespace garbello {
namespace {

using namespace std::chrono;

const Place kOslo{"Oslo, Norway", 59.91, 10.75, "Europe/Oslo"};
const Place kLisbon{"Lisbon, Portugal", 38.72, -9.14, "Europe/Lisbon"};

// 2024-01-15, 2024-04-15 and 2024-07-15, 12:00 UTC.
const Date kJanuary = Date(seconds(1705320000));
const Date kApril = Date(seconds(1713182400));
const Date kJuly = Date(seconds(1721044800));

const WeatherSnapshot kSnowy{-2.4, -6, 0.8, 0,        1.2,   14,
                             73,   90, 0.5, kJanuary, 59.91, "Europe/Oslo"};
const WeatherSnapshot kHot{30.2, 32, 0, 0, 0, 8, 0, 5, 9, kJuly, 38.72, "Europe/Lisbon"};
const OutfitDecision kSnowDecision{Outfit::snowGear, "snow or ice, -2°C"};
const OutfitDecision kHotDecision{Outfit::hawaiian, "hot and dry, 30°C"};

TEST(WeatherSessionTest, StartsEmptyOrResumesASavedForecastWithItsOutfit) {
    EXPECT_EQ(WeatherSession(kOslo).decision(), std::nullopt);
    WeatherSession resumed(kOslo, WeatherCache{kSnowy, kJanuary + hours(1)});
    EXPECT_EQ(resumed.cachePlace(), kOslo);
    EXPECT_EQ(resumed.decision(), kSnowDecision);
    // Without a place, the forecast belongs to none.
    WeatherSession placeless(std::nullopt, WeatherCache{kSnowy, kJanuary});
    ASSERT_TRUE(placeless.succeed(kHot, placeless.requestID(), kJuly));
    EXPECT_EQ(placeless.cachePlace(), std::nullopt);
    EXPECT_EQ(placeless.decision(), kHotDecision);
}

TEST(WeatherSessionTest, TheSeasonIsJudgedAtTheAcceptanceTime) {
    // 18 degrees, dry, rain likely: in April that is spring rain, in July a
    // dry summer day, whatever the observation's own date.
    WeatherSnapshot mild{18, 18, 0, 0, 0, 10, 3, 60, 4, kJuly, 52.5, "Europe/Berlin"};
    WeatherSession session(std::nullopt, WeatherCache{mild, kApril});
    EXPECT_EQ(session.decision(),
              (OutfitDecision{Outfit::rainJacket, "spring rain likely today (60%)"}));
    ASSERT_TRUE(session.succeed(mild, session.begin(kLisbon), kJuly));
    EXPECT_EQ(session.decision(), (OutfitDecision{Outfit::hawaiian, "a dry summer day, 18°C"}));
}

// One session through requests, stale answers and failures: only the live
// request's answer changes anything, and a failure never takes away the last
// good forecast, its outfit or the place it was fetched for.
TEST(WeatherSessionTest, OnlyTheLiveRequestCountsAndFailuresKeepTheLastGoodOutfit) {
    enum Action { begin, succeed, fail };
    struct Step {
        Action action;
        // For begin, the number it returns; its place is Oslo first, then Lisbon.
        std::uint64_t request;
        bool changes;
        std::optional<std::string> failure;
        OutfitDecision decision;
        std::optional<Place> cachePlace;
    };
    const std::vector<Step> steps = {
        {begin, 1, true, std::nullopt, kSnowDecision, kOslo},
        {fail, 1, true, "Open-Meteo returned incomplete or invalid weather.", kSnowDecision, kOslo},
        // A new request clears the failure before any answer arrives; the
        // cache still belongs to the place it was fetched for.
        {begin, 2, true, std::nullopt, kSnowDecision, kOslo},
        {succeed, 1, false, std::nullopt, kSnowDecision, kOslo},
        {fail, 1, false, std::nullopt, kSnowDecision, kOslo},
        {succeed, 3, false, std::nullopt, kSnowDecision, kOslo},
        // A failure and then a success for the same request: the success wins.
        {fail, 2, true, "The network connection was lost.", kSnowDecision, kOslo},
        {succeed, 2, true, std::nullopt, kHotDecision, kLisbon},
    };
    WeatherSession session(kOslo, WeatherCache{kSnowy, kJanuary});
    Date acceptedAt = kJuly;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const Step& step = steps[i];
        const WeatherSession before = session;
        if (step.action == begin) {
            EXPECT_EQ(session.begin(i == 0 ? kOslo : kLisbon), step.request) << i;
        } else if (step.action == succeed) {
            EXPECT_EQ(session.succeed(kHot, step.request, acceptedAt), step.changes) << i;
        } else {
            session.fail(step.failure.value_or("stale"), step.request);
        }
        EXPECT_EQ(session != before, step.changes) << i;
        EXPECT_EQ(session.failure(), step.failure) << i;
        EXPECT_EQ(session.decision(), step.decision) << i;
        EXPECT_EQ(session.cachePlace(), step.cachePlace) << i;
    }
    EXPECT_EQ(session.cache(), (WeatherCache{kHot, acceptedAt}));
    EXPECT_EQ(session.requestID(), 2u);
}

} // namespace
} // namespace garbello
