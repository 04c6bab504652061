#include "support/ordered_work.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <numeric>
#include <stdexcept>
#include <thread>
#include <vector>

namespace garbello {
namespace {

using namespace std::chrono_literals;

std::vector<std::size_t> indicesBelow(std::size_t count) {
    std::vector<std::size_t> indices(count);
    std::iota(indices.begin(), indices.end(), 0);
    return indices;
}

TEST(OrderedWorkTest, RunsJobsSideBySideAndConsumesInIndexOrderOnTheCaller) {
    // How many jobs, on how many workers.
    for (const auto& [count, workers] :
         {std::pair<std::size_t, unsigned>{0, 2}, {12, 1}, {12, 3}, {12, 8}, {12, workerCount()}}) {
        std::vector<std::size_t> consumed;
        std::atomic<int> running = 0, mostRunning = 0;
        const auto caller = std::this_thread::get_id();
        runInOrder<std::size_t>(
            count,
            [&](std::size_t i) {
                int now = ++running;
                for (int most = mostRunning;
                     now > most && !mostRunning.compare_exchange_weak(most, now);)
                    ;
                std::this_thread::sleep_for(2ms * (count - i)); // later jobs finish first
                --running;
                return i * 10;
            },
            [&](std::size_t i, std::size_t result) {
                EXPECT_EQ(std::this_thread::get_id(), caller);
                EXPECT_EQ(result, i * 10);
                consumed.push_back(i);
            },
            workers);
        EXPECT_EQ(consumed, indicesBelow(count)) << workers;
        EXPECT_EQ(mostRunning > 1, count > 0 && workers > 1) << workers;
    }
}

// The first failure, of a job or of the consumer, ends the run like a plain
// loop: what came before is consumed, no new job starts, the error comes out.
TEST(OrderedWorkTest, AFailureEndsTheRunAfterEverythingBeforeIt) {
    constexpr std::size_t count = 10;
    // The workers, the failing index and whether the consumer fails there.
    const std::tuple<unsigned, std::size_t, bool> cases[] = {
        {1, 0, false}, {1, 3, false}, {2, 3, false}, {4, 3, false}, {4, 9, false}, {2, 2, true}};
    for (const auto& [workers, failing, failsInConsumer] : cases) {
        std::vector<std::size_t> consumed;
        std::atomic<std::size_t> started = 0;
        auto fail = [&](std::size_t i, bool inConsumer) {
            if (i == failing && inConsumer == failsInConsumer)
                throw std::runtime_error("failed at " + std::to_string(i));
        };
        try {
            runInOrder<std::size_t>(
                count,
                [&](std::size_t i) {
                    ++started;
                    fail(i, false);
                    // Earlier jobs are slow, so the failure is known before
                    // they are consumed.
                    std::this_thread::sleep_for(i < failing ? 30ms : 100ms);
                    return i;
                },
                [&](std::size_t i, std::size_t) {
                    consumed.push_back(i);
                    fail(i, true);
                },
                workers);
            ADD_FAILURE() << "no error";
        } catch (const std::runtime_error& error) {
            EXPECT_EQ(error.what(), "failed at " + std::to_string(failing));
        }
        EXPECT_EQ(consumed, indicesBelow(failing + failsInConsumer)) << workers << " " << failing;
        if (failing + 1 < count) {
            EXPECT_LT(started, count) << "no new job starts after a failure";
        }
    }
}

} // namespace
} // namespace garbello
