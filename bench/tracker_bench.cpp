// The live tracker on a private Xvfb under openbox, with windows of another
// process, through the real worker thread, clock and Qt event loop.
//
// 1. With 50 windows: wall time of each pass on the worker (read and
//    filtering; target: median at most 1 ms) and of each hand-back on the main
//    thread (target: median at most 0.1 ms).
// 2. With 20 windows: the process's CPU over 30 s of polling (target: at most
//    0.5 % of one core).
//
// Usage: tracker_bench [idle seconds]

#include "app/window_tracker.h"
#include "figures.h"
#include "platform/main_thread_queue.h"
#include "platform/qt_clock.h"
#include "platform/serial_worker.h"
#include "platform/x11_window_source.h"
#include "support/log.h"
#include "x_server.h"

#include <QCoreApplication>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace {

using namespace garbello;
using Clock = std::chrono::steady_clock;
using bench::percentile;
using bench::report;

constexpr int kPassWindows = 50;
constexpr int kIdleWindows = 20;
constexpr int kTimedPasses = 100;
constexpr double kPassTargetMs = 1.0;
constexpr double kHandBackTargetMs = 0.1;
constexpr double kIdleTargetPercent = 0.5;

// Runs each task on `inner` and keeps how long it took there.
class TimedQueue final : public platform::TaskQueue {
public:
    explicit TimedQueue(platform::TaskQueue& inner) : inner_(inner) {}

    void post(std::function<void()> task) override {
        inner_.post([this, task = std::move(task)] {
            const auto start = Clock::now();
            task();
            const std::chrono::duration<double, std::milli> took = Clock::now() - start;
            std::lock_guard lock(mutex_);
            if (recording_)
                milliseconds_.push_back(took.count());
        });
    }

    void record(bool on) {
        std::lock_guard lock(mutex_);
        recording_ = on;
    }

    std::vector<double> taken() {
        std::lock_guard lock(mutex_);
        return milliseconds_;
    }

private:
    platform::TaskQueue& inner_;
    std::mutex mutex_;
    bool recording_ = false;
    std::vector<double> milliseconds_;
};

double processCPUSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Runs the event loop until `done` holds, checking after every pass.
template <typename Done> void runUntil(WindowTracker& tracker, std::size_t& listed, Done done) {
    tracker.onWindows = [&](std::vector<TrackedWindow> windows) {
        listed = windows.size();
        if (done())
            QCoreApplication::quit();
    };
    QCoreApplication::exec();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    // The tracker's count lines stay out of the developer's journal.
    const ScopedLogCapture quiet;
    const double idleSeconds = argc > 1 ? std::stod(argv[1]) : 30;

    test::XServer server;
    test::X11Fixture app(server);
    for (int i = 0; i < kPassWindows; ++i)
        app.open("w" + std::to_string(i) + " class=Bench" + std::to_string(i % 5) +
                 " x=" + std::to_string(10 * i) + " y=" + std::to_string(8 * i));
    auto source = platform::X11WindowSource::open(server.display(), {});
    if (!source)
        throw std::runtime_error("no connection to " + server.display());

    platform::MainThreadQueue mainThread;
    platform::QtClock clock;
    TimedQueue timedMain(mainThread);
    bool met = true;
    {
        auto worker = std::make_unique<platform::SerialWorker>("tracker");
        TimedQueue timedWorker(*worker);
        auto tracker = WindowTracker::create(*source, *source, clock, timedWorker, timedMain);

        std::size_t listed = 0;
        int passes = 0;
        tracker->start();
        // The first passes warm the caches of class and application ids.
        runUntil(*tracker, listed, [&] { return ++passes == 3; });
        timedWorker.record(true);
        timedMain.record(true);
        passes = 0;
        runUntil(*tracker, listed, [&] { return ++passes == kTimedPasses; });
        timedWorker.record(false);
        timedMain.record(false);

        const std::vector<double> pass = timedWorker.taken(), handBack = timedMain.taken();
        std::printf("%d passes over %zu tracked windows (%d open)\n", kTimedPasses, listed,
                    kPassWindows);
        met &= report("pass on the worker, median", percentile(pass, 0.5), "ms", kPassTargetMs);
        std::printf("%-44s %8.3f ms\n", "pass on the worker, 90th", percentile(pass, 0.9));
        met &= report("hand-back on the main thread, median", percentile(handBack, 0.5), "ms",
                      kHandBackTargetMs);
        std::printf("%-44s %8.3f ms\n", "hand-back on the main thread, 90th",
                    percentile(handBack, 0.9));
        if (listed < kPassWindows) {
            std::printf("the tracker missed windows\n");
            met = false;
        }

        for (int i = kIdleWindows; i < kPassWindows; ++i)
            app.change("close w" + std::to_string(i));
        passes = 0;
        runUntil(*tracker, listed, [&] { return ++passes == 3; });

        const double cpuBefore = processCPUSeconds();
        const auto wallBefore = Clock::now();
        QTimer::singleShot(static_cast<int>(idleSeconds * 1000), [] { QCoreApplication::quit(); });
        tracker->onWindows = [&](std::vector<TrackedWindow> windows) { listed = windows.size(); };
        QCoreApplication::exec();
        const double cpu = processCPUSeconds() - cpuBefore;
        const std::chrono::duration<double> wall = Clock::now() - wallBefore;
        std::printf("idle for %.0f s with %zu tracked windows\n", wall.count(), listed);
        met &= report("idle CPU, share of one core", 100 * cpu / wall.count(), "%",
                      kIdleTargetPercent);
        // The worker's last task may still use the timing wrapper.
        tracker.reset();
        worker.reset();
    }
    return met ? 0 : 1;
}
