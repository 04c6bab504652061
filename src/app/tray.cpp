#include "app/tray.h"

#include "support/log.h"

#include <QAction>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QSystemTrayIcon>

namespace garbello {
namespace {

// Drawn on a 24-unit square, the size panels most often ask for.
constexpr double kGrid = 24;
constexpr int kIconSizes[] = {16, 22, 24, 32, 48, 64};
const QColor kFill(0xEC, 0xEC, 0xEC);
const QColor kOutline(0x2A, 0x2A, 0x2A);

QPainterPath tshirtPath() {
    QPainterPath path;
    path.moveTo(8.5, 3);
    path.quadTo(12, 6.8, 15.5, 3);
    path.lineTo(21, 5.5);
    path.lineTo(23, 10.5);
    path.lineTo(19, 12);
    path.lineTo(19, 21);
    path.lineTo(5, 21);
    path.lineTo(5, 12);
    path.lineTo(1, 10.5);
    path.lineTo(3, 5.5);
    path.closeSubpath();
    return path;
}

QPixmap tshirtPixmap(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / kGrid, size / kGrid);
    QPen pen(kOutline, 1.6);
    pen.setJoinStyle(Qt::RoundJoin);
    painter.setPen(pen);
    painter.setBrush(kFill);
    painter.drawPath(tshirtPath());
    return pixmap;
}

} // namespace

QIcon tshirtIcon() {
    QIcon icon;
    for (int size : kIconSizes)
        icon.addPixmap(tshirtPixmap(size));
    return icon;
}

SystemTray::SystemTray()
    : menu_(std::make_unique<QMenu>()), icon_(std::make_unique<QSystemTrayIcon>(tshirtIcon())) {
    QObject::connect(menu_.get(), &QMenu::aboutToShow, menu_.get(), [this] {
        if (opening_)
            opening_();
    });
    icon_->setContextMenu(menu_.get());
    // A click opens the menu too, as on panels that only report activation.
    QObject::connect(icon_.get(), &QSystemTrayIcon::activated, menu_.get(),
                     [this](QSystemTrayIcon::ActivationReason reason) {
                         if (reason == QSystemTrayIcon::Trigger)
                             menu_->popup(QCursor::pos());
                     });
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        log::application.info("No system tray is available; start Garbello again to open its "
                              "settings");
    icon_->show();
}

SystemTray::~SystemTray() {
    icon_->hide();
}

void SystemTray::setToolTip(const std::string& text) {
    icon_->setToolTip(QString::fromStdString(text));
}

void SystemTray::setMenu(std::vector<platform::MenuRow> rows) {
    menu_->clear();
    for (auto& row : rows) {
        if (row.separator()) {
            menu_->addSeparator();
            continue;
        }
        QAction* action = menu_->addAction(QString::fromStdString(row.title));
        if (!row.shortcut.empty())
            action->setShortcut(QKeySequence(QString::fromStdString("Ctrl+" + row.shortcut)));
        action->setEnabled(static_cast<bool>(row.action));
        if (row.action)
            // Queued: the action may rebuild this very menu.
            QObject::connect(
                action, &QAction::triggered, menu_.get(), [run = std::move(row.action)] { run(); },
                Qt::QueuedConnection);
    }
}

void SystemTray::watchMenuOpening(std::function<void()> opening) {
    opening_ = std::move(opening);
}

} // namespace garbello
