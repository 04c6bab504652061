#include "platform/qt_clock.h"

#include <QTimer>

#include <cmath>
#include <time.h>

namespace garbello::platform {
namespace {

class QtRepeatingTimer final : public RepeatingTimer {
public:
    QtRepeatingTimer(double interval, std::function<void()> tick) {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(static_cast<int>(std::lround(interval * 1000)));
        QObject::connect(&timer_, &QTimer::timeout, std::move(tick));
        timer_.start();
    }

private:
    QTimer timer_;
};

} // namespace

double QtClock::uptime() const {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

std::unique_ptr<RepeatingTimer> QtClock::repeat(double interval, std::function<void()> tick) {
    return std::make_unique<QtRepeatingTimer>(interval, std::move(tick));
}

} // namespace garbello::platform
