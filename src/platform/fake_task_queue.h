#pragma once

#include "platform/task_queue.h"

#include <deque>

namespace garbello::platform {

// Keeps posted tasks until the test runs them, so it decides when a worker's
// read or a hand-back to the main thread happens.
class FakeTaskQueue final : public TaskQueue {
public:
    void post(std::function<void()> task) override { tasks_.push_back(std::move(task)); }

    std::size_t pending() const { return tasks_.size(); }

    // Runs the oldest task, if any; false when there was none.
    bool runNext() {
        if (tasks_.empty())
            return false;
        auto task = std::move(tasks_.front());
        tasks_.pop_front();
        task();
        return true;
    }

    // Runs the tasks queued now and any they post, until none is left.
    void runAll() {
        while (!tasks_.empty()) {
            auto task = std::move(tasks_.front());
            tasks_.pop_front();
            task();
        }
    }

private:
    std::deque<std::function<void()>> tasks_;
};

} // namespace garbello::platform
