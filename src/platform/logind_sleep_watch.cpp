#include "platform/logind_sleep_watch.h"

#include "support/log.h"

#include <QObject>

namespace garbello::platform {

class LogindSignalReceiver final : public QObject {
    Q_OBJECT

public:
    std::function<void()> woke;

public slots:
    void prepareForSleep(bool sleeping) {
        if (!sleeping && woke)
            woke();
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
        log::application.info("No system bus; wakes from sleep will not refresh the weather");
}

LogindSleepWatch::~LogindSleepWatch() = default;

void LogindSleepWatch::watchWake(std::function<void()> woke) {
    receiver_->woke = std::move(woke);
}

} // namespace garbello::platform

#include "logind_sleep_watch.moc"
