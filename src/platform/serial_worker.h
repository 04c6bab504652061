#pragma once

#include "platform/task_queue.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace garbello::platform {

// Threads of its own that take posted tasks in the order posted, each
// running one task at a time; with several threads, tasks run side by side
// and may finish in any order. The destructor lets the running tasks finish,
// drops the rest and joins.
class WorkerPool : public TaskQueue {
public:
    // How much the threads give way to the rest of the process.
    enum class Priority { normal, background };

    WorkerPool(std::string name, unsigned threads, Priority priority = Priority::normal);
    ~WorkerPool() override;
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    void post(std::function<void()> task) override;

private:
    void run(std::stop_token stop);

    std::string name_;
    Priority priority_;
    std::mutex mutex_;
    std::condition_variable_any wake_;
    std::deque<std::function<void()>> tasks_;
    // Last, so the threads start after everything they use exists and are
    // joined before any of it goes.
    std::vector<std::jthread> threads_;
};

// One thread: tasks run one after another, in the order posted.
class SerialWorker final : public WorkerPool {
public:
    explicit SerialWorker(std::string name) : WorkerPool(std::move(name), 1) {}
};

} // namespace garbello::platform
