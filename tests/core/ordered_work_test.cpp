#include "support/ordered_work.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

namespace garbello {
namespace {

using namespace std::chrono_literals;

TEST(OrderedWorkTest, ResultsAreConsumedInIndexOrderOnTheCallingThread) {
    for (unsigned workers : {1u, 2u, 3u, 8u}) {
        constexpr std::size_t count = 12;
        std::vector<std::size_t> consumed;
        std::atomic<int> produced = 0;
        const auto caller = std::this_thread::get_id();
        runInOrder<std::size_t>(
            count,
            [&](std::size_t i) {
                // Later jobs finish first.
                std::this_thread::sleep_for(std::chrono::milliseconds(2 * (count - i)));
                ++produced;
                return i * 10;
            },
            [&](std::size_t i, std::size_t result) {
                EXPECT_EQ(std::this_thread::get_id(), caller);
                EXPECT_EQ(result, i * 10);
                consumed.push_back(i);
            },
            workers);
        EXPECT_EQ(produced, int(count)) << workers;
        std::vector<std::size_t> expected;
        for (std::size_t i = 0; i < count; ++i)
            expected.push_back(i);
        EXPECT_EQ(consumed, expected) << workers;
    }
}

TEST(OrderedWorkTest, NothingToDoCallsNothing) {
    bool called = false;
    runInOrder<int>(
        0, [&](std::size_t) { return called = true, 0; }, [&](std::size_t, int) { called = true; });
    EXPECT_FALSE(called);
}

TEST(OrderedWorkTest, JobsRunSideBySide) {
    // Each job waits for the other; only two threads at once can both finish
    // early. The wait is bounded so a regression fails instead of hanging.
    std::atomic<int> arrived = 0;
    std::vector<bool> metTheOther;
    runInOrder<bool>(
        2,
        [&](std::size_t) {
            ++arrived;
            const auto deadline = std::chrono::steady_clock::now() + 10s;
            while (arrived < 2 && std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(1ms);
            return arrived == 2;
        },
        [&](std::size_t, bool met) { metTheOther.push_back(met); }, 2);
    EXPECT_EQ(metTheOther, (std::vector<bool>{true, true}));
}

TEST(OrderedWorkTest, AFailedJobEndsTheRunAfterEverythingBeforeIt) {
    struct Case {
        unsigned workers;
        std::size_t failing;
    };
    for (const Case& c : {Case{1, 0}, Case{1, 3}, Case{2, 3}, Case{4, 3}, Case{4, 9}}) {
        constexpr std::size_t count = 10;
        std::vector<std::size_t> consumed;
        std::atomic<int> started = 0;
        try {
            runInOrder<std::size_t>(
                count,
                [&](std::size_t i) {
                    ++started;
                    if (i == c.failing)
                        throw std::runtime_error("job " + std::to_string(i));
                    // Earlier jobs are slow, so the failure is known before
                    // they are consumed.
                    std::this_thread::sleep_for(i < c.failing ? 30ms : 100ms);
                    return i;
                },
                [&](std::size_t i, std::size_t) { consumed.push_back(i); }, c.workers);
            ADD_FAILURE() << "no error";
        } catch (const std::runtime_error& error) {
            EXPECT_EQ(error.what(), "job " + std::to_string(c.failing));
        }
        std::vector<std::size_t> expected;
        for (std::size_t i = 0; i < c.failing; ++i)
            expected.push_back(i);
        EXPECT_EQ(consumed, expected) << c.workers << " " << c.failing;
        if (c.failing + 1 < count) {
            EXPECT_LT(started, int(count)) << "no new job starts after a failure";
        }
    }
}

TEST(OrderedWorkTest, AFailedConsumerEndsTheRun) {
    std::vector<std::size_t> consumed;
    std::atomic<int> started = 0;
    EXPECT_THROW(runInOrder<std::size_t>(
                     50,
                     [&](std::size_t i) {
                         ++started;
                         std::this_thread::sleep_for(20ms);
                         return i;
                     },
                     [&](std::size_t i, std::size_t) {
                         consumed.push_back(i);
                         if (i == 2)
                             throw std::runtime_error("disk full");
                     },
                     2),
                 std::runtime_error);
    EXPECT_EQ(consumed, (std::vector<std::size_t>{0, 1, 2}));
    EXPECT_LT(started, 50);
}

} // namespace
} // namespace garbello
