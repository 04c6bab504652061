#include "platform/serial_worker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace garbello::platform {
namespace {

using namespace std::chrono_literals;

// A count that tasks raise and wait on, with a time limit so that a queue
// that cannot run them side by side fails instead of hanging.
class Meeting {
public:
    // Adds one and waits until `expected` have come; false on the time-out.
    bool arriveAndWait(int expected, std::chrono::milliseconds limit = 2s) {
        std::unique_lock lock(mutex_);
        ++arrived_;
        changed_.notify_all();
        return changed_.wait_for(lock, limit, [&] { return arrived_ >= expected; });
    }
    void release() { arriveAndWait(0); }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int arrived_ = 0;
};

TEST(WorkerPoolTest, RunsAsManyTasksAtOnceAsItHasThreads) {
    // The pool's threads, and the tasks that meet while both run.
    for (const auto& [threads, together] : {std::pair{1u, 1}, {2u, 2}, {3u, 2}}) {
        SCOPED_TRACE(threads);
        Meeting meeting;
        std::atomic<int> met = 0;
        {
            WorkerPool pool("test", threads);
            for (int i = 0; i < 2; ++i)
                pool.post([&] { met += meeting.arriveAndWait(2, threads == 1 ? 200ms : 2s); });
            // Waits for both tasks before the pool goes.
            while (met.load() + (together == 1) < 2)
                std::this_thread::sleep_for(1ms);
        }
        EXPECT_EQ(met, together) << "tasks that met while both ran";
    }
}

TEST(WorkerPoolTest, GoingAwayFinishesTheRunningTaskAndDropsTheQueuedOnes) {
    auto worker = std::make_unique<SerialWorker>("test");
    Meeting started, release;
    std::atomic<bool> finished = false, queuedRan = false;
    worker->post([&] {
        started.release();
        release.arriveAndWait(2);
        finished = true;
    });
    for (int i = 0; i < 3; ++i)
        worker->post([&] { queuedRan = true; });
    ASSERT_TRUE(started.arriveAndWait(2));
    std::thread ending([&] { worker.reset(); });
    std::this_thread::sleep_for(100ms); // the destructor asks the thread to stop
    release.release();
    ending.join();
    EXPECT_TRUE(finished);
    EXPECT_FALSE(queuedRan);
}

} // namespace
} // namespace garbello::platform
