#include "platform/single_instance.h"

#include "support/log.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

#include <fcntl.h>
#include <sys/file.h>

namespace garbello::platform {
namespace {

constexpr const char* kLockName = "garbello.lock";
constexpr const char* kSocketName = "garbello.socket";
constexpr QByteArrayView kReopen = "reopen\n";
// A running instance answers at once; one that does not within this long is
// stuck, and waiting longer would only delay the user's second start.
constexpr int kAnswerMilliseconds = 2000;

void askToReopen(const std::filesystem::path& socket) {
    QLocalSocket peer;
    peer.connectToServer(QString::fromStdString(socket.string()));
    if (peer.waitForConnected(kAnswerMilliseconds)) {
        peer.write(kReopen.data(), kReopen.size());
        if (peer.waitForBytesWritten(kAnswerMilliseconds)) {
            peer.disconnectFromServer();
            return;
        }
    }
    log::application.error("Garbello is already running but did not answer: " +
                           peer.errorString().toStdString());
}

} // namespace

std::filesystem::path SingleInstance::runtimeFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation).toStdString();
}

std::unique_ptr<SingleInstance> SingleInstance::claim(const std::filesystem::path& folder) {
    const auto socket = folder / kSocketName;
    FileDescriptor lock(::open((folder / kLockName).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (!lock) {
        // Without a lock there is no telling; running twice beats not running.
        log::application.error("Cannot open the instance lock in " + folder.string());
        return std::unique_ptr<SingleInstance>(new SingleInstance(std::move(lock), socket));
    }
    if (::flock(lock.get(), LOCK_EX | LOCK_NB) != 0) {
        askToReopen(socket);
        return nullptr;
    }
    return std::unique_ptr<SingleInstance>(new SingleInstance(std::move(lock), socket));
}

SingleInstance::SingleInstance(FileDescriptor lock, const std::filesystem::path& socket)
    : lock_(std::move(lock)), server_(std::make_unique<QLocalServer>()) {
    const QString name = QString::fromStdString(socket.string());
    // Holding the lock, any socket left there is a crashed instance's.
    QLocalServer::removeServer(name);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(name)) {
        log::application.error("A second start will not reopen this one: " +
                               server_->errorString().toStdString());
        return;
    }
    QObject::connect(server_.get(), &QLocalServer::newConnection, server_.get(), [this] {
        while (QLocalSocket* peer = server_->nextPendingConnection()) {
            QObject::connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
            const auto readRequest = [this, peer] {
                if (peer->canReadLine() && peer->readLine() == kReopen.toByteArray() && onReopen)
                    onReopen();
            };
            QObject::connect(peer, &QLocalSocket::readyRead, peer, readRequest);
            // A quick peer may have written, and gone, before it was taken.
            readRequest();
        }
    });
}

SingleInstance::~SingleInstance() = default;

} // namespace garbello::platform
