#pragma once

#include "platform/task_queue.h"

#include <QObject>

namespace garbello::platform {

// Hands tasks to the Qt event loop of the thread that created the queue
// (the main thread). Tasks queued when the queue goes are dropped.
class MainThreadQueue final : public TaskQueue {
public:
    void post(std::function<void()> task) override;

private:
    QObject receiver_;
};

} // namespace garbello::platform
