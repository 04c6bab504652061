#pragma once

#include "platform/appearance.h"

namespace garbello::platform {

class FakeAppearance final : public Appearance {
public:
    bool dark() const override { return dark_; }
    void watchChanges(std::function<void(bool)> changed) override { changed_ = std::move(changed); }

    // As the desktop would: reports only a real change.
    void set(bool dark) {
        if (dark == dark_)
            return;
        dark_ = dark;
        if (changed_)
            changed_(dark);
    }

private:
    bool dark_ = false;
    std::function<void(bool)> changed_;
};

} // namespace garbello::platform
