#pragma once

#include <functional>

namespace garbello::platform {

// Somewhere to run work: worker threads, or the main thread's event loop.
// Tasks posted to one queue start in the order posted; they run one at a time
// unless the queue has several threads (a WorkerPool).
class TaskQueue {
public:
    virtual ~TaskQueue() = default;

    // Safe to call from any thread. The task runs later, never inside `post`.
    // Tasks still queued when the queue goes are dropped, not run.
    virtual void post(std::function<void()> task) = 0;
};

} // namespace garbello::platform
