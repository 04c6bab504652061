#include "platform/main_thread_queue.h"

#include <QMetaObject>

namespace garbello::platform {

void MainThreadQueue::post(std::function<void()> task) {
    // Qt discards queued calls whose receiver has been deleted, which is
    // what drops the tasks still pending when the queue goes.
    QMetaObject::invokeMethod(&receiver_, std::move(task), Qt::QueuedConnection);
}

} // namespace garbello::platform
