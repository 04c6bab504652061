#pragma once

#include "platform/appearance.h"

#include <QDBusConnection>

#include <memory>

namespace garbello::platform {

class PortalSettingsReceiver;

// The colour-scheme preference of the desktop's settings portal
// (org.freedesktop.appearance color-scheme: 1 dark, 2 light, 0 none), read
// once without waiting and then followed through SettingChanged. Where the
// portal is missing or states no preference, `fallback` decides (the
// application passes whether its palette is dark); it is asked again each
// time `dark` is.
class PortalAppearance final : public Appearance {
public:
    explicit PortalAppearance(std::function<bool()> fallback,
                              QDBusConnection bus = QDBusConnection::sessionBus());
    ~PortalAppearance() override;
    PortalAppearance(const PortalAppearance&) = delete;
    PortalAppearance& operator=(const PortalAppearance&) = delete;

    bool dark() const override;
    void watchChanges(std::function<void(bool dark)> changed) override;

private:
    std::unique_ptr<PortalSettingsReceiver> receiver_;
};

} // namespace garbello::platform
