#include "support/atomic_file.h"
#include "support/log.h"
#include "temporary_directory.h"
#include "weather/weather_cache.h"
#include "weather/weather_session.h"

#include <gtest/gtest.h>

namespace garbello {
namespace {

namespace fs = std::filesystem;
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

// A saved forecast, fetched an hour and half a second after its observation.
SavedWeather sampleRecord() {
    return {kOslo, {kSnowy, kJanuary + hours(1) + milliseconds(500)}};
}

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

TEST(WeatherCacheTest, RecordRoundTripsThroughTheFileBesideTheSettings) {
    test::TemporaryDirectory directory;
    fs::path file = weatherCachePathBeside(directory.path() / "nested" / "settings.json");
    EXPECT_EQ(file, directory.path() / "nested" / "weather.json");
    writeSavedWeather(file, sampleRecord());
    EXPECT_EQ(readSavedWeather(file), sampleRecord());

    // Dates are seconds since 2001 in every place the record holds one.
    Json stored = Json::parse(readFile(file));
    EXPECT_EQ(stored["cache"]["fetchedAt"], 727016400.5);
    EXPECT_EQ(stored["cache"]["snapshot"]["observedAt"], 727012800);
    EXPECT_EQ(stored["place"]["name"], "Oslo, Norway");

    SavedWeather newer = sampleRecord();
    newer.cache.fetchedAt = dateFromReferenceSeconds(739001800);
    writeSavedWeather(file, newer);
    EXPECT_EQ(readSavedWeather(file), newer);
}

// Damaged, hand-edited or hostile files: no record, no exception, no log line,
// and the file is left for the next accepted forecast to overwrite. (What the
// parser and the records refuse is tested with them.)
TEST(WeatherCacheTest, MissingCorruptOrHostileFilesGiveNoCacheAndLogNothing) {
    const Json valid = sampleRecord().toJson();
    auto without = [&](const std::string& pointer) {
        Json record = valid;
        Json::json_pointer path(pointer);
        record[path.parent_pointer()].erase(path.back());
        return record.dump();
    };
    auto with = [&](const std::string& pointer, const Json& value) {
        Json record = valid;
        record[Json::json_pointer(pointer)] = value;
        return record.dump();
    };
    // What is wrong, and the file.
    const std::pair<const char*, std::string> cases[] = {
        {"truncated", valid.dump().substr(0, 40)},
        {"no place", without("/place")},
        {"no fetchedAt", without("/cache/fetchedAt")},
        {"fetchedAt as text", with("/cache/fetchedAt", "2024-06-01")},
        {"date beyond the clock", with("/cache/fetchedAt", 1e18)},
    };
    ScopedLogCapture capture;
    test::TemporaryDirectory directory;
    for (const auto& [name, contents] : cases) {
        fs::path file = directory.path() / "weather.json";
        writeFileAtomically(file, contents);
        EXPECT_EQ(readSavedWeather(file), std::nullopt) << name;
        EXPECT_EQ(readFile(file), contents) << name;
        EXPECT_EQ(decodeSavedWeather(contents), std::nullopt) << name;
    }
    // The file's size alone keeps this valid record out.
    const std::string oversized = std::string(2 << 20, ' ') + valid.dump();
    writeFileAtomically(directory.path() / "weather.json", oversized);
    EXPECT_EQ(readSavedWeather(directory.path() / "weather.json"), std::nullopt);
    EXPECT_EQ(decodeSavedWeather(oversized), sampleRecord());
    EXPECT_EQ(readSavedWeather(directory.path() / "absent.json"), std::nullopt);
    EXPECT_EQ(readSavedWeather(directory.path()), std::nullopt);
    EXPECT_TRUE(capture.sink().records().empty());
}

TEST(WeatherCacheTest, WriteFailureIsReportedToTheCaller) {
    test::TemporaryDirectory directory;
    writeFileAtomically(directory.path() / "blocked", "a file where a directory should be");
    EXPECT_THROW(writeSavedWeather(directory.path() / "blocked" / "weather.json", sampleRecord()),
                 FileError);
    EXPECT_EQ(readFile(directory.path() / "blocked"), "a file where a directory should be");
}

} // namespace
} // namespace garbello
