#include "support/log.h"

#include <gtest/gtest.h>

#include <thread>

namespace garbello {
namespace {

TEST(LogTest, CaptureRecordsEachLineAndRestoresThePreviousSink) {
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
    std::vector<std::jthread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([] {
            for (int i = 0; i < 250; ++i)
                log::tracking.debug("pass");
        });
    threads.clear();
    EXPECT_EQ(capture.sink().records().size(), 1000u);
}

} // namespace
} // namespace garbello
