#include "platform/serial_worker.h"

#include "support/log.h"

#include <exception>
#include <pthread.h>

namespace garbello::platform {

SerialWorker::SerialWorker(std::string name)
    : name_(std::move(name)), thread_([this](std::stop_token stop) { run(stop); }) {}

SerialWorker::~SerialWorker() {
    thread_.request_stop();
    wake_.notify_all();
}

void SerialWorker::post(std::function<void()> task) {
    {
        std::lock_guard lock(mutex_);
        tasks_.push_back(std::move(task));
    }
    wake_.notify_one();
}

void SerialWorker::run(std::stop_token stop) {
    // Thread names are cut to 15 characters by the kernel; they only help
    // when reading a debugger's or top's thread list.
    pthread_setname_np(pthread_self(), name_.substr(0, 15).c_str());
    for (;;) {
        std::function<void()> task;
        {
            std::unique_lock lock(mutex_);
            if (!wake_.wait(lock, stop, [&] { return !tasks_.empty(); }))
                return;
            task = std::move(tasks_.front());
            tasks_.pop_front();
        }
        try {
            task();
        } catch (const std::exception& error) {
            // A task that throws is a bug in it; the queue must keep serving
            // the others.
            log::application.error("Worker " + name_ + " task failed: " + error.what());
        }
    }
}

} // namespace garbello::platform
