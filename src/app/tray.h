#pragma once

#include "platform/status_item.h"

#include <QIcon>

#include <memory>

class QMenu;
class QSystemTrayIcon;

namespace garbello {

// The t-shirt the tray shows, drawn in code in light grey with a dark
// outline, so that it reads on light and dark panels alike.
QIcon tshirtIcon();

// The status item as a freedesktop tray icon (StatusNotifierItem where a
// watcher runs, else the XEmbed tray). Where no tray runs the application
// carries on without it; Qt shows the icon once a tray appears.
class SystemTray final : public platform::StatusItem {
public:
    SystemTray();
    ~SystemTray() override;
    SystemTray(const SystemTray&) = delete;
    SystemTray& operator=(const SystemTray&) = delete;

    void setToolTip(const std::string& text) override;
    void setMenu(std::vector<platform::MenuRow> rows) override;
    void watchMenuOpening(std::function<void()> opening) override;

private:
    std::unique_ptr<QMenu> menu_;
    std::unique_ptr<QSystemTrayIcon> icon_;
    std::function<void()> opening_;
};

} // namespace garbello
