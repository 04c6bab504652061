#pragma once

#include "platform/reachability.h"
#include "platform/sleep_watch.h"

namespace garbello::platform {

// Connectivity reports as a test sends them.
class FakeReachability final : public Reachability {
public:
    void watch(std::function<void(bool)> update) override { update_ = std::move(update); }
    void report(bool online) const {
        if (update_)
            update_(online);
    }
    bool watched() const { return static_cast<bool>(update_); }

private:
    std::function<void(bool)> update_;
};

// Sleeps and wakes as a test sends them.
class FakeSleepWatch final : public SleepWatch {
public:
    void watchWake(std::function<void()> woke) override { woke_ = std::move(woke); }
    void watchSleep(std::function<void()> sleeping) override { sleeping_ = std::move(sleeping); }
    void wake() const {
        if (woke_)
            woke_();
    }
    void sleep() const {
        if (sleeping_)
            sleeping_();
    }
    bool watched() const { return static_cast<bool>(woke_); }

private:
    std::function<void()> woke_;
    std::function<void()> sleeping_;
};

} // namespace garbello::platform
