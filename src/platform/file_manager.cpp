#include "platform/file_manager.h"

#include "support/log.h"
#include "support/process.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QUrl>

namespace garbello::platform {
namespace {

void openFolder(const std::filesystem::path& folder) {
    try {
        startDetached("/usr/bin/xdg-open", {folder.string()});
    } catch (const std::exception& error) {
        log::application.error("Could not open " + folder.string() + ": " + error.what());
    }
}

} // namespace

std::filesystem::path FreedesktopFileManager::downloadsFolder() const {
    // Qt reads user-dirs.dirs the way the XDG user directories are meant to
    // be read, falling back to ~/Downloads.
    return QStandardPaths::writableLocation(QStandardPaths::DownloadLocation).toStdString();
}

void FreedesktopFileManager::reveal(const std::filesystem::path& file) {
    const std::filesystem::path folder = file.parent_path();
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        openFolder(folder);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.FileManager1",
                                                       "/org/freedesktop/FileManager1",
                                                       "org.freedesktop.FileManager1", "ShowItems");
    call << QStringList{QUrl::fromLocalFile(QString::fromStdString(file.string()))
                            .toString(QUrl::FullyEncoded)}
         << QString();
    // Asked without waiting: a file browser that starts on demand may take a
    // while, and the main thread must not stall for it.
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished,
                     [folder](QDBusPendingCallWatcher* finished) {
                         if (QDBusPendingReply<> reply = *finished; reply.isError())
                             openFolder(folder);
                         finished->deleteLater();
                     });
}

} // namespace garbello::platform
