#pragma once

#include "platform/fake_task_queue.h"

namespace garbello::test {

// Runs the queues' tasks, and whatever they post to one another, until none is left.
template <class... Queues> void settle(Queues&... queues) {
    while ((queues.pending() + ...) > 0)
        (queues.runAll(), ...);
}

} // namespace garbello::test
