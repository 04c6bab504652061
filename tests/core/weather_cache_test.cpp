#include "support/atomic_file.h"
#include "support/log.h"
#include "temporary_directory.h"
#include "weather/weather_cache.h"

#include <gtest/gtest.h>

namespace garbello {
namespace {

namespace fs = std::filesystem;

SavedWeather sampleRecord() {
    WeatherSnapshot snapshot{4.5,   1.25,         0.4, 0.4, 0,
                             18,    61,           70,  1.5, dateFromReferenceSeconds(738999000),
                             59.91, "Europe/Oslo"};
    return {{"Oslo, Norway", 59.91, 10.75, "Europe/Oslo"},
            {snapshot, dateFromReferenceSeconds(739000000.5)}};
}

TEST(WeatherCacheTest, RecordRoundTripsThroughTheFileBesideTheSettings) {
    test::TemporaryDirectory directory;
    fs::path file = weatherCachePathBeside(directory.path() / "nested" / "settings.json");
    EXPECT_EQ(file, directory.path() / "nested" / "weather.json");
    writeSavedWeather(file, sampleRecord());
    EXPECT_EQ(readSavedWeather(file), sampleRecord());

    // Dates are seconds since 2001 in every place the record holds one.
    Json stored = Json::parse(readFile(file));
    EXPECT_EQ(stored["cache"]["fetchedAt"], 739000000.5);
    EXPECT_EQ(stored["cache"]["snapshot"]["observedAt"], 738999000);
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
