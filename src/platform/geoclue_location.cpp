#include "platform/geoclue_location.h"

#include "support/log.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QObject>
#include <QTimer>

namespace garbello::platform {
namespace {

const QString kService = QStringLiteral("org.freedesktop.GeoClue2");
const QString kManagerPath = QStringLiteral("/org/freedesktop/GeoClue2/Manager");
const QString kManager = QStringLiteral("org.freedesktop.GeoClue2.Manager");
const QString kClient = QStringLiteral("org.freedesktop.GeoClue2.Client");
const QString kLocation = QStringLiteral("org.freedesktop.GeoClue2.Location");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
// GeoClue's neighbourhood level: between street (about 1 km) and city
// (about 15 km), the nearest it offers to the 3 km a forecast needs.
constexpr unsigned kNeighbourhoodAccuracy = 5;
// GeoClue waits for its sources without end when none can say anything; a
// lookup that has no fix by then has failed, and may be asked for again.
constexpr int kLookupLimitMilliseconds = 60'000;

bool isMissingService(const QString& error) {
    return error == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown") ||
           error == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner") ||
           error == QLatin1String("org.freedesktop.DBus.Error.UnknownObject") ||
           error == QLatin1String("org.freedesktop.DBus.Error.UnknownMethod") ||
           error == QLatin1String("org.freedesktop.DBus.Error.Disconnected");
}

} // namespace

class GeoClueClient final : public QObject {
    Q_OBJECT

public:
    GeoClueClient(std::string desktopID, QDBusConnection bus)
        : desktopID_(QString::fromStdString(desktopID)), bus_(std::move(bus)) {
        if (!bus_.isConnected())
            unavailable("no system bus");
        limit_.setSingleShot(true);
        connect(&limit_, &QTimer::timeout, this, [this] {
            log::weather.info("GeoClue found no location within a minute");
            stopUpdating();
            if (handlers.failed)
                handlers.failed();
        });
    }

    ~GeoClueClient() override {
        if (started_)
            call(clientPath_, kClient, QStringLiteral("Stop"), {});
    }

    LocationHandlers handlers;

    LocationAuthorization authorization() const {
        return denied_ ? LocationAuthorization::denied : LocationAuthorization::authorized;
    }

    void requestAuthorization() {
        // Nothing to ask ahead of a lookup: the agent asks when one starts.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (handlers.authorizationChanged)
                    handlers.authorizationChanged(authorization());
            },
            Qt::QueuedConnection);
    }

    void requestLocation() {
        wanted_ = true;
        limit_.start(kLookupLimitMilliseconds);
        if (denied_) {
            QMetaObject::invokeMethod(
                this, [this] { fail(); }, Qt::QueuedConnection);
        } else if (!clientPath_.isEmpty()) {
            start();
        } else if (!creating_) {
            creating_ = true;
            watch(call(kManagerPath, kManager, QStringLiteral("GetClient"), {}),
                  [this](const QDBusMessage& reply) { clientCreated(reply); });
        }
    }

    void stopUpdating() {
        wanted_ = false;
        limit_.stop();
        if (started_) {
            started_ = false;
            call(clientPath_, kClient, QStringLiteral("Stop"), {});
        }
    }

public slots:
    void locationUpdated(const QDBusObjectPath&, const QDBusObjectPath& location) {
        if (!wanted_)
            return;
        watch(call(location.path(), kProperties, QStringLiteral("GetAll"), {kLocation}),
              [this](const QDBusMessage& reply) { fixRead(reply); });
    }

private:
    QDBusPendingCall call(const QString& path, const QString& interface, const QString& method,
                          const QVariantList& arguments) {
        auto message = QDBusMessage::createMethodCall(kService, path, interface, method);
        message.setArguments(arguments);
        return bus_.asyncCall(message);
    }

    // Calls `done` with the reply, or handles the error, on this thread.
    template <class Done> void watch(const QDBusPendingCall& pending, Done done) {
        auto* watcher = new QDBusPendingCallWatcher(pending, this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this,
                [this, done](QDBusPendingCallWatcher* finished) {
                    finished->deleteLater();
                    const QDBusMessage reply = finished->reply();
                    if (reply.type() == QDBusMessage::ErrorMessage)
                        failed(reply.errorName(), reply.errorMessage());
                    else
                        done(reply);
                });
    }

    void setProperty(const QString& name, const QVariant& value) {
        watch(call(clientPath_, kProperties, QStringLiteral("Set"),
                   {kClient, name, QVariant::fromValue(QDBusVariant(value))}),
              [](const QDBusMessage&) {});
    }

    void clientCreated(const QDBusMessage& reply) {
        creating_ = false;
        clientPath_ = reply.arguments().value(0).value<QDBusObjectPath>().path();
        bus_.connect(kService, clientPath_, kClient, QStringLiteral("LocationUpdated"), this,
                     SLOT(locationUpdated(QDBusObjectPath, QDBusObjectPath)));
        // The bus keeps the order of one connection's messages, so both
        // are set before the client starts.
        setProperty(QStringLiteral("DesktopId"), desktopID_);
        setProperty(QStringLiteral("RequestedAccuracyLevel"), kNeighbourhoodAccuracy);
        if (wanted_)
            start();
    }

    void start() {
        if (started_)
            return;
        started_ = true;
        watch(call(clientPath_, kClient, QStringLiteral("Start"), {}), [](const QDBusMessage&) {});
    }

    void fixRead(const QDBusMessage& reply) {
        if (!wanted_)
            return;
        const QVariantMap values = qdbus_cast<QVariantMap>(reply.arguments().value(0));
        bool latitudeRead = false, longitudeRead = false, accuracyRead = false;
        LocationFix fix{values.value(QStringLiteral("Latitude")).toDouble(&latitudeRead),
                        values.value(QStringLiteral("Longitude")).toDouble(&longitudeRead),
                        values.value(QStringLiteral("Accuracy")).toDouble(&accuracyRead)};
        if (!latitudeRead || !longitudeRead || !accuracyRead)
            fix.horizontalAccuracy = -1;
        // One fix is all a lookup wants.
        if (fix.horizontalAccuracy >= 0)
            stopUpdating();
        if (handlers.locationsUpdated)
            handlers.locationsUpdated({fix});
    }

    void failed(const QString& name, const QString& message) {
        creating_ = false;
        started_ = false;
        if (isMissingService(name))
            unavailable(message.toStdString());
        else if (name == QLatin1String("org.freedesktop.DBus.Error.AccessDenied"))
            refused(message.toStdString());
        else
            log::weather.info("GeoClue lookup failed: " + message.toStdString());
        fail();
    }

    void fail() {
        if (!wanted_)
            return;
        wanted_ = false;
        limit_.stop();
        if (handlers.failed)
            handlers.failed();
    }

    void unavailable(const std::string& why) {
        if (!denied_)
            log::weather.info("GeoClue location service unavailable: " + why);
        denied_ = true;
    }

    void refused(const std::string& why) {
        if (!denied_)
            log::weather.info("GeoClue refused location access: " + why);
        denied_ = true;
    }

    QString desktopID_;
    QTimer limit_;
    QDBusConnection bus_;
    QString clientPath_;
    bool creating_ = false;
    bool started_ = false;
    bool wanted_ = false;
    bool denied_ = false;
};

GeoClueLocation::GeoClueLocation(std::string desktopID, QDBusConnection bus)
    : client_(std::make_unique<GeoClueClient>(std::move(desktopID), std::move(bus))) {}

GeoClueLocation::~GeoClueLocation() = default;

void GeoClueLocation::setHandlers(LocationHandlers handlers) {
    client_->handlers = std::move(handlers);
}

LocationAuthorization GeoClueLocation::authorization() const {
    return client_->authorization();
}

void GeoClueLocation::requestAuthorization() {
    client_->requestAuthorization();
}

void GeoClueLocation::requestLocation() {
    client_->requestLocation();
}

void GeoClueLocation::stopUpdating() {
    client_->stopUpdating();
}

} // namespace garbello::platform

#include "geoclue_location.moc"
