#pragma once

#include "platform/task_queue.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

namespace garbello::platform {

// A thread of its own that runs posted tasks one after another. The
// destructor lets the running task finish, drops the rest and joins.
class SerialWorker final : public TaskQueue {
public:
    explicit SerialWorker(std::string name);
    ~SerialWorker() override;
    SerialWorker(const SerialWorker&) = delete;
    SerialWorker& operator=(const SerialWorker&) = delete;

    void post(std::function<void()> task) override;

private:
    void run(std::stop_token stop);

    std::string name_;
    std::mutex mutex_;
    std::condition_variable_any wake_;
    std::deque<std::function<void()>> tasks_;
    // Last, so the thread starts after everything it uses exists and is
    // joined before any of it goes.
    std::jthread thread_;
};

} // namespace garbello::platform
