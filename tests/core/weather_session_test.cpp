#include "weather/weather_session.h"

#include <gtest/gtest.h>

namespace garbello {
namespace {

using namespace std::chrono;

const Place kOslo{"Oslo, Norway", 59.91, 10.75, "Europe/Oslo"};
const Place kLisbon{"Lisbon, Portugal", 38.72, -9.14, "Europe/Lisbon"};

// 2024-01-15 and 2024-07-15, 12:00 UTC.
const Date kJanuary = Date(seconds(1705320000));
const Date kJuly = Date(seconds(1721044800));

WeatherSnapshot snowy() {
    return {-2.4, -6, 0.8, 0, 1.2, 14, 73, 90, 0.5, kJanuary, 59.91, "Europe/Oslo"};
}

WeatherSnapshot hot() {
    return {30.2, 32, 0, 0, 0, 8, 0, 5, 9, kJuly, 38.72, "Europe/Lisbon"};
}

const OutfitDecision kSnowDecision{Outfit::snowGear, "snow or ice, -2°C"};
const OutfitDecision kHotDecision{Outfit::hawaiian, "hot and dry, 30°C"};

TEST(WeatherSessionTest, StartsEmptyOrFromASavedForecast) {
    WeatherSession empty;
    EXPECT_EQ(empty.requestID(), 0u);
    EXPECT_EQ(empty.place(), std::nullopt);
    EXPECT_EQ(empty.cache(), std::nullopt);
    EXPECT_EQ(empty.cachePlace(), std::nullopt);
    EXPECT_EQ(empty.decision(), std::nullopt);
    EXPECT_EQ(empty.failure(), std::nullopt);

    WeatherSession placeOnly(kOslo);
    EXPECT_EQ(placeOnly.place(), kOslo);
    EXPECT_EQ(placeOnly.cachePlace(), std::nullopt);
    EXPECT_EQ(placeOnly.decision(), std::nullopt);

    WeatherCache saved{snowy(), kJanuary + hours(1)};
    WeatherSession resumed(kOslo, saved);
    EXPECT_EQ(resumed.requestID(), 0u);
    EXPECT_EQ(resumed.cache(), saved);
    EXPECT_EQ(resumed.cachePlace(), kOslo);
    EXPECT_EQ(resumed.decision(), kSnowDecision);
    EXPECT_EQ(resumed.begin(kOslo), 1u);
}

TEST(WeatherSessionTest, TheSeasonIsJudgedAtTheAcceptanceTime) {
    // 18 degrees, dry, rain likely: in April that is spring rain, in July a
    // dry summer day. The session must date the decision at acceptance.
    WeatherSnapshot mild{18, 18, 0, 0, 0, 10, 3, 60, 4, kJuly, 52.5, "Europe/Berlin"};
    const Date april = Date(seconds(1713182400));
    WeatherSession resumed(std::nullopt, WeatherCache{mild, april});
    EXPECT_EQ(resumed.decision(),
              (OutfitDecision{Outfit::rainJacket, "spring rain likely today (60%)"}));

    std::uint64_t request = resumed.begin(kLisbon);
    ASSERT_TRUE(resumed.succeed(mild, request, kJuly));
    EXPECT_EQ(resumed.decision(), (OutfitDecision{Outfit::hawaiian, "a dry summer day, 18°C"}));
}

TEST(WeatherSessionTest, OnlyTheLiveRequestIsAccepted) {
    WeatherSession session(kOslo, WeatherCache{snowy(), kJanuary});
    std::uint64_t first = session.begin(kOslo);
    std::uint64_t second = session.begin(kLisbon);
    EXPECT_EQ(second, first + 1);

    const WeatherSession before = session;
    EXPECT_FALSE(session.succeed(hot(), first, kJuly));
    EXPECT_EQ(session, before);
    session.fail("The request timed out.", first);
    EXPECT_EQ(session, before);
    EXPECT_FALSE(session.succeed(hot(), second + 1, kJuly));
    EXPECT_EQ(session, before);

    EXPECT_TRUE(session.succeed(hot(), second, kJuly + minutes(1)));
    EXPECT_EQ(session.cache(), (WeatherCache{hot(), kJuly + minutes(1)}));
    EXPECT_EQ(session.decision(), kHotDecision);
}

TEST(WeatherSessionTest, FailuresKeepTheLastGoodOutfit) {
    WeatherSession session(kOslo, WeatherCache{snowy(), kJanuary});
    std::uint64_t request = session.begin(kOslo);
    session.fail("Open-Meteo returned incomplete or invalid weather.", request);
    EXPECT_EQ(session.failure(), "Open-Meteo returned incomplete or invalid weather.");
    EXPECT_EQ(session.decision(), kSnowDecision);
    EXPECT_EQ(session.cache(), (WeatherCache{snowy(), kJanuary}));
    EXPECT_EQ(session.cachePlace(), kOslo);

    // A new request clears the failure before any answer arrives.
    std::uint64_t retry = session.begin(kOslo);
    EXPECT_EQ(session.failure(), std::nullopt);
    EXPECT_EQ(session.decision(), kSnowDecision);

    // A failure and then a success for the same request: the success wins.
    session.fail("The network connection was lost.", retry);
    EXPECT_TRUE(session.succeed(hot(), retry, kJuly));
    EXPECT_EQ(session.failure(), std::nullopt);
    EXPECT_EQ(session.decision(), kHotDecision);
}

TEST(WeatherSessionTest, TheCacheRemembersWhichPlaceItWasFetchedFor) {
    struct Case {
        const char* name;
        std::optional<Place> initialPlace;
        std::optional<Place> begunFor;
        std::optional<Place> cachePlaceAfterSuccess;
    };
    const std::vector<Case> cases = {
        {"saved for A, now B", kOslo, kLisbon, kLisbon},
        {"same place", kOslo, kOslo, kOslo},
        {"no place at all", std::nullopt, std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        WeatherSession session(c.initialPlace, WeatherCache{snowy(), kJanuary});
        std::uint64_t request = session.requestID();
        if (c.begunFor) {
            request = session.begin(*c.begunFor);
            // While the request is in flight the cache still belongs to A.
            EXPECT_EQ(session.cachePlace(), c.initialPlace) << c.name;
            EXPECT_EQ(session.place(), c.begunFor) << c.name;
        }
        ASSERT_TRUE(session.succeed(hot(), request, kJuly)) << c.name;
        EXPECT_EQ(session.cachePlace(), c.cachePlaceAfterSuccess) << c.name;
        EXPECT_EQ(session.decision(), kHotDecision) << c.name;
    }
}

} // namespace
} // namespace garbello
