#include "platform/logind_sleep_watch.h"

#include "support/log.h"

#include <QObject>

namespace garbello::platform {

class LogindSignalReceiver final : public QObject {
    Q_OBJECT

public:
    std::function<void()> woke;
    std::function<void()> sleeping;

public slots:
    void prepareForSleep(bool goingToSleep) {
        if (const auto& report = goingToSleep ? sleeping : woke)
            report();
    }
};

LogindSleepWatch::LogindSleepWatch(QDBusConnection bus)
    : receiver_(std::make_unique<LogindSignalReceiver>()) {
    // The match goes to the bus daemon whether or not logind runs now, so a
    // logind started later is heard too.
    if (!bus.isConnected() || !bus.connect(QStringLiteral("org.freedesktop.login1"),
                                           QStringLiteral("/org/freedesktop/login1"),
                                           QStringLiteral("org.freedesktop.login1.Manager"),
                                           QStringLiteral("PrepareForSleep"), receiver_.get(),
                                           SLOT(prepareForSleep(bool))))
        log::application.info("No system bus; sleep and wake will go unnoticed");
}

LogindSleepWatch::~LogindSleepWatch() = default;

void LogindSleepWatch::watchWake(std::function<void()> woke) {
    receiver_->woke = std::move(woke);
}

void LogindSleepWatch::watchSleep(std::function<void()> sleeping) {
    receiver_->sleeping = std::move(sleeping);
}

} // namespace garbello::platform

#include "logind_sleep_watch.moc"
