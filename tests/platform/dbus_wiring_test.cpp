#include "platform/geoclue_location.h"
#include "platform/logind_sleep_watch.h"
#include "platform/portal_appearance.h"
#include "qt_event_loop.h"
#include "run_process.h"
#include "settings_portal.h"
#include "support/atomic_file.h"
#include "support/log.h"
#include "temporary_directory.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <gtest/gtest.h>

#include <mutex>
#include <optional>

namespace garbello::platform {
namespace {

// A bus daemon of the test's own, with no services and nothing activatable;
// its complaints about this container's limits go to the null device.
class PrivateBus {
public:
    PrivateBus() {
        const auto config = directory_ / "bus.conf";
        writeFileAtomically(
            config,
            "<busconfig><type>session</type><listen>unix:dir=" + directory_.path().string() +
                "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
                "<allow send_destination=\"*\"/><allow receive_sender=\"*\"/>"
                "<allow own=\"*\"/></policy></busconfig>");
        try {
            daemon_.emplace("dbus-daemon",
                            std::vector<std::string>{"--config-file=" + config.string(), "--nofork",
                                                     "--print-address"});
            address_ = QString::fromStdString(daemon_->readLine()).trimmed();
        } catch (const std::runtime_error&) {
        }
    }
    ~PrivateBus() {
        for (const auto& name : names_)
            QDBusConnection::disconnectFromBus(name);
    }
    bool running() const { return !address_.isEmpty(); }

    // A new connection of its own, as another process would have.
    QDBusConnection connect() {
        names_.push_back(QStringLiteral("test-%1").arg(names_.size()));
        return QDBusConnection::connectToBus(address_, names_.back());
    }

private:
    test::TemporaryDirectory directory_;
    std::optional<test::PipedProcess> daemon_;
    QString address_;
    std::vector<QString> names_;
};

const QString kClientPath = QStringLiteral("/org/freedesktop/GeoClue2/Client/1");
const QString kLocationPath = QStringLiteral("/org/freedesktop/GeoClue2/Location/1");

// Enough of GeoClue2 for one lookup: a manager that hands out a client, the
// client's properties and Start/Stop, and one location.
class FakeGeoClue final : public QDBusVirtualObject {
public:
    // What Start answers with: empty for success, else this error name.
    QString startError;

    explicit FakeGeoClue(QDBusConnection bus) : bus_(std::move(bus)) {
        bus_.registerVirtualObject(QStringLiteral("/org/freedesktop/GeoClue2"), this,
                                   QDBusConnection::SubPath);
        bus_.registerService(QStringLiteral("org.freedesktop.GeoClue2"));
    }

    std::vector<std::string> calls() const {
        std::lock_guard lock(mutex_);
        return calls_;
    }

    QString introspect(const QString&) const override { return {}; }

    // May run on the bus's own thread.
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        const QString member = message.member();
        const auto arguments = message.arguments();
        {
            std::lock_guard lock(mutex_);
            calls_.push_back(
                (member != QLatin1String("Set")
                     ? member
                     : QStringLiteral("Set %1=%2")
                           .arg(arguments.value(1).toString(),
                                arguments.value(2).value<QDBusVariant>().variant().toString()))
                    .toStdString());
        }
        if (member == QLatin1String("GetClient")) {
            connection.send(message.createReply(QVariant::fromValue(QDBusObjectPath(kClientPath))));
        } else if (member == QLatin1String("Start") && !startError.isEmpty()) {
            connection.send(message.createErrorReply(startError, QStringLiteral("not allowed")));
        } else if (member == QLatin1String("Start")) {
            connection.send(message.createReply());
            auto updated = QDBusMessage::createSignal(
                kClientPath, QStringLiteral("org.freedesktop.GeoClue2.Client"),
                QStringLiteral("LocationUpdated"));
            updated << QVariant::fromValue(QDBusObjectPath("/"))
                    << QVariant::fromValue(QDBusObjectPath(kLocationPath));
            connection.send(updated);
        } else if (member == QLatin1String("GetAll")) {
            QVariantMap values{{QStringLiteral("Latitude"), 52.5163},
                               {QStringLiteral("Longitude"), 13.3777},
                               {QStringLiteral("Accuracy"), 3000.0}};
            connection.send(message.createReply(values));
        } else {
            connection.send(message.createReply());
        }
        return true;
    }

private:
    QDBusConnection bus_;
    mutable std::mutex mutex_;
    std::vector<std::string> calls_;
};

class DBusWiringTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::ensureCoreApplication(); }
    void SetUp() override {
        if (!bus.running())
            GTEST_SKIP() << "dbus-daemon could not be started";
    }

    PrivateBus bus;
    ScopedLogCapture logs;
};

struct Lookup {
    std::vector<LocationFix> fixes;
    int failures = 0;
    LocationHandlers handlers() {
        return {{},
                [this](std::vector<LocationFix> f) { fixes = std::move(f); },
                [this] { ++failures; }};
    }
};

TEST_F(DBusWiringTest, GeoClueGivesOneFixAtTheRequestedAccuracy) {
    FakeGeoClue service(bus.connect());
    GeoClueLocation location("garbello", bus.connect());
    Lookup lookup;
    location.setHandlers(lookup.handlers());
    EXPECT_EQ(location.authorization(), LocationAuthorization::authorized);
    location.requestLocation();
    ASSERT_TRUE(test::runEventLoopUntil([&] { return !lookup.fixes.empty(); }));
    EXPECT_EQ(lookup.fixes, (std::vector<LocationFix>{{52.5163, 13.3777, 3000}}));
    ASSERT_TRUE(test::runEventLoopUntil([&] { return service.calls().size() == 6; }));
    EXPECT_EQ(service.calls(), (std::vector<std::string>{"GetClient", "Set DesktopId=garbello",
                                                         "Set RequestedAccuracyLevel=5", "Start",
                                                         "GetAll", "Stop"}));
}

TEST_F(DBusWiringTest, AMissingOrRefusingGeoClueMeansDenied) {
    // Whether GeoClue runs, the error its Start answers and the line logged.
    const std::tuple<const char*, bool, QString, std::string> cases[] = {
        {"no service", false, {}, "GeoClue location service unavailable: "},
        {"refused", true, QStringLiteral("org.freedesktop.DBus.Error.AccessDenied"),
         "GeoClue refused location access: not allowed"},
    };
    for (const auto& [name, present, startError, logLine] : cases) {
        SCOPED_TRACE(name);
        logs.sink().clear();
        std::optional<FakeGeoClue> service;
        if (present) {
            service.emplace(bus.connect());
            service->startError = startError;
        }
        GeoClueLocation location("garbello", bus.connect());
        Lookup lookup;
        location.setHandlers(lookup.handlers());
        location.requestLocation();
        ASSERT_TRUE(test::runEventLoopUntil([&] { return lookup.failures == 1; }));
        EXPECT_EQ(location.authorization(), LocationAuthorization::denied);
        // A second lookup fails at once, without asking again or logging.
        location.requestLocation();
        ASSERT_TRUE(test::runEventLoopUntil([&] { return lookup.failures == 2; }));
        const auto lines = logs.sink().records("weather");
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0].message.rfind(logLine, 0), 0u) << lines[0].message;
        service.reset();
        QCoreApplication::processEvents();
    }
}

TEST_F(DBusWiringTest, LogindReportsSleepAndWakeApart) {
    auto logind = bus.connect();
    ASSERT_TRUE(logind.registerService(QStringLiteral("org.freedesktop.login1")));
    LogindSleepWatch watch(bus.connect());
    std::string reports;
    watch.watchSleep([&] { reports += "sleep "; });
    watch.watchWake([&] { reports += "wake"; });
    for (bool sleeping : {true, false}) {
        auto signal = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/login1"),
                                                 QStringLiteral("org.freedesktop.login1.Manager"),
                                                 QStringLiteral("PrepareForSleep"));
        signal << sleeping;
        logind.send(signal);
    }
    // One sender's signals arrive in order.
    ASSERT_TRUE(test::runEventLoopUntil([&] { return reports.ends_with("wake"); }));
    EXPECT_EQ(reports, "sleep wake");
}

TEST_F(DBusWiringTest, TheAppearanceFollowsThePortalElseThePalette) {
    // The portal's scheme (none: no portal runs), the palette's and the outcome.
    const std::tuple<const char*, std::optional<uint>, bool, bool> cases[] = {
        {"portal prefers dark", 1u, false, true},
        {"portal prefers light", 2u, true, false},
        {"no preference", 0u, true, true},
        {"no portal", std::nullopt, true, true},
    };
    for (const auto& [name, portalScheme, paletteDark, dark] : cases) {
        SCOPED_TRACE(name);
        std::optional<fixtures::SettingsPortal> portal;
        if (portalScheme)
            portal.emplace(bus.connect(), *portalScheme);
        PortalAppearance appearance([&] { return paletteDark; }, bus.connect());
        std::vector<bool> changes;
        appearance.watchChanges([&](bool dark) { changes.push_back(dark); });
        ASSERT_TRUE(test::runEventLoopUntil([&] { return appearance.dark() == dark; }));
        if (!portal)
            continue;
        portal->announce(appearance.dark() ? 2u : 1u);
        ASSERT_TRUE(test::runEventLoopUntil([&] { return appearance.dark() != dark; }));
        EXPECT_EQ(changes.back(), !dark);
    }
}

} // namespace
} // namespace garbello::platform
