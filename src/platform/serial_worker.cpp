#include "platform/serial_worker.h"

#include "support/log.h"

#include <algorithm>
#include <exception>
#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>

namespace garbello::platform {
namespace {

constexpr int kBackgroundNiceness = 10;

} // namespace

WorkerPool::WorkerPool(std::string name, unsigned threads, Priority priority)
    : name_(std::move(name)), priority_(priority) {
    threads_.reserve(std::max(threads, 1u));
    for (unsigned i = 0; i < std::max(threads, 1u); ++i)
        threads_.emplace_back([this](std::stop_token stop) { run(stop); });
}

WorkerPool::~WorkerPool() {
    for (std::jthread& thread : threads_)
        thread.request_stop();
    wake_.notify_all();
    // Joined here, while the queue they wait on still exists.
    threads_.clear();
}

void WorkerPool::post(std::function<void()> task) {
    {
        std::lock_guard lock(mutex_);
        tasks_.push_back(std::move(task));
    }
    wake_.notify_one();
}

void WorkerPool::run(std::stop_token stop) {
    // Thread names are cut to 15 characters by the kernel; they only help
    // when reading a debugger's or top's thread list.
    pthread_setname_np(pthread_self(), name_.substr(0, 15).c_str());
    // On Linux a thread has a niceness of its own. Work that fills every
    // core would otherwise delay the main thread's answer to each event.
    if (priority_ == Priority::background)
        ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), kBackgroundNiceness);
    for (;;) {
        std::function<void()> task;
        {
            std::unique_lock lock(mutex_);
            // A stop leaves what is still queued: the wait alone would go
            // on returning true while tasks remain.
            if (!wake_.wait(lock, stop, [&] { return !tasks_.empty(); }) || stop.stop_requested())
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
