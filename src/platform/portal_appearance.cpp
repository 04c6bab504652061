#include "platform/portal_appearance.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QObject>

#include <optional>

namespace garbello::platform {
namespace {

const QString kPortalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kSettingsInterface = QStringLiteral("org.freedesktop.portal.Settings");
const QString kAppearanceNamespace = QStringLiteral("org.freedesktop.appearance");
const QString kColorSchemeKey = QStringLiteral("color-scheme");

// The portal's colour-scheme values.
constexpr uint kPrefersDark = 1;
constexpr uint kPrefersLight = 2;

// Read answers a variant inside a variant; its signal, one variant.
QVariant unwrapped(QVariant value) {
    while (value.userType() == qMetaTypeId<QDBusVariant>())
        value = value.value<QDBusVariant>().variant();
    return value;
}

// Dark, light, or nothing stated.
std::optional<bool> preference(const QVariant& value) {
    bool isNumber = false;
    const uint scheme = unwrapped(value).toUInt(&isNumber);
    if (isNumber && scheme == kPrefersDark)
        return true;
    if (isNumber && scheme == kPrefersLight)
        return false;
    return std::nullopt;
}

} // namespace

class PortalSettingsReceiver final : public QObject {
    Q_OBJECT

public:
    explicit PortalSettingsReceiver(std::function<bool()> fallback)
        : fallback_(std::move(fallback)) {}

    std::function<void(bool)> changed;

    bool dark() const { return stated_ ? *stated_ : fallback_ && fallback_(); }

    // The first answer, unless a change was announced before it came.
    void takeAnswer(const QVariant& value) {
        if (!announced_)
            take(value);
    }

    void take(const QVariant& value) {
        const bool before = dark();
        stated_ = preference(value);
        if (dark() != before && changed)
            changed(dark());
    }

public slots:
    void settingChanged(const QString& group, const QString& key, const QDBusVariant& value) {
        if (group == kAppearanceNamespace && key == kColorSchemeKey) {
            announced_ = true;
            take(value.variant());
        }
    }

private:
    std::function<bool()> fallback_;
    std::optional<bool> stated_;
    bool announced_ = false;
};

PortalAppearance::PortalAppearance(std::function<bool()> fallback, QDBusConnection bus)
    : receiver_(std::make_unique<PortalSettingsReceiver>(std::move(fallback))) {
    if (!bus.isConnected())
        return;
    // Subscribed before asking, so that a change in between is not lost.
    // The slot's argument types are looked up by name, which Qt knows only
    // once the type has been registered.
    qRegisterMetaType<QDBusVariant>();
    bus.connect(kPortalService, kPortalPath, kSettingsInterface, QStringLiteral("SettingChanged"),
                receiver_.get(), SLOT(settingChanged(QString, QString, QDBusVariant)));
    QDBusMessage read = QDBusMessage::createMethodCall(kPortalService, kPortalPath,
                                                       kSettingsInterface, QStringLiteral("Read"));
    read << kAppearanceNamespace << kColorSchemeKey;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(read), receiver_.get());
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, receiver_.get(),
                     [receiver = receiver_.get()](QDBusPendingCallWatcher* call) {
                         const QDBusMessage reply = call->reply();
                         // A portal without the key, or none at all, leaves
                         // the fallback in charge.
                         if (reply.type() == QDBusMessage::ReplyMessage &&
                             !reply.arguments().isEmpty())
                             receiver->takeAnswer(reply.arguments().first());
                         call->deleteLater();
                     });
}

PortalAppearance::~PortalAppearance() = default;

bool PortalAppearance::dark() const {
    return receiver_->dark();
}

void PortalAppearance::watchChanges(std::function<void(bool dark)> changed) {
    receiver_->changed = std::move(changed);
}

} // namespace garbello::platform

#include "portal_appearance.moc"
