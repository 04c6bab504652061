#include "platform/fake_clock.h"

#include <algorithm>

namespace garbello::platform {

class FakeClock::Handle final : public RepeatingTimer {
public:
    Handle(FakeClock& clock, int id) : clock_(clock), id_(id) {}
    ~Handle() override { clock_.timers_.erase(id_); }

private:
    FakeClock& clock_;
    int id_;
};

std::unique_ptr<RepeatingTimer> FakeClock::repeat(double interval, std::function<void()> tick) {
    int id = nextID_++;
    timers_[id] = Timer{interval, now_ + interval, std::move(tick)};
    return std::make_unique<Handle>(*this, id);
}

void FakeClock::advance(double seconds) {
    const double end = now_ + seconds;
    for (;;) {
        auto next = std::min_element(timers_.begin(), timers_.end(),
                                     [](auto& a, auto& b) { return a.second.due < b.second.due; });
        if (next == timers_.end() || next->second.due > end)
            break;
        now_ = next->second.due;
        next->second.due += next->second.interval;
        // A copy, since the tick may destroy its own timer.
        auto tick = next->second.tick;
        tick();
    }
    now_ = end;
}

} // namespace garbello::platform
