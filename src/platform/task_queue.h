#pragma once

#include <functional>

namespace garbello::platform {

// Somewhere to run work: a worker thread, or the main thread's event loop.
// Tasks posted to one queue run one at a time, in the order posted.
class TaskQueue {
public:
    virtual ~TaskQueue() = default;

    // Safe to call from any thread. The task runs later, never inside `post`.
    // Tasks still queued when the queue goes are dropped, not run.
    virtual void post(std::function<void()> task) = 0;
};

} // namespace garbello::platform
