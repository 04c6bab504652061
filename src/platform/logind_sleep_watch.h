#pragma once

#include "platform/sleep_watch.h"

#include <QDBusConnection>

#include <memory>

namespace garbello::platform {

class LogindSignalReceiver;

// Sleep and wake as systemd-logind announces them: PrepareForSleep(true,
// false) on the system bus. Without a bus or logind neither is ever reported, which is
// logged once; nothing waits for the bus.
class LogindSleepWatch final : public SleepWatch {
public:
    explicit LogindSleepWatch(QDBusConnection bus = QDBusConnection::systemBus());
    ~LogindSleepWatch() override;
    LogindSleepWatch(const LogindSleepWatch&) = delete;
    LogindSleepWatch& operator=(const LogindSleepWatch&) = delete;

    void watchWake(std::function<void()> woke) override;
    void watchSleep(std::function<void()> sleeping) override;

private:
    std::unique_ptr<LogindSignalReceiver> receiver_;
};

} // namespace garbello::platform
