#include "support/log.h"

#include <gtest/gtest.h>

#include <thread>

namespace garbello {
namespace {

TEST(LogTest, CategoriesMatchTheProgramAreas) {
    EXPECT_EQ(log::application.category(), "application");
    EXPECT_EQ(log::tracking.category(), "tracking");
    EXPECT_EQ(log::overlays.category(), "overlays");
    EXPECT_EQ(log::settings.category(), "settings");
    EXPECT_EQ(log::weather.category(), "weather");
    EXPECT_EQ(log::weatherParser.category(), "weather-parser");
    EXPECT_EQ(log::updater.category(), "updater");
}

TEST(LogTest, CaptureRecordsLevelCategoryAndMessageAndRestoresThePreviousSink) {
    auto outer = std::make_shared<CapturingLogSink>();
    auto original = setLogSink(outer);
    {
        ScopedLogCapture capture;
        log::weather.info("refresh started");
        log::updater.error("download failed");
        log::weather.debug("cache hit");
        EXPECT_EQ(capture.sink().records(),
                  (std::vector<LogRecord>{{"weather", LogLevel::info, "refresh started"},
                                          {"updater", LogLevel::error, "download failed"},
                                          {"weather", LogLevel::debug, "cache hit"}}));
        EXPECT_EQ(capture.sink().records("updater").size(), 1u);
    }
    log::settings.info("after");
    EXPECT_EQ(outer->records(), (std::vector<LogRecord>{{"settings", LogLevel::info, "after"}}));
    setLogSink(original);
}

TEST(LogTest, LoggingFromManyThreadsLosesNothing) {
    ScopedLogCapture capture;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([] {
            for (int i = 0; i < 250; ++i)
                log::tracking.debug("pass");
        });
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(capture.sink().records().size(), 1000u);
}

} // namespace
} // namespace garbello
