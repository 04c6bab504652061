#include "platform/network_reachability.h"

#include "support/log.h"

#include <QNetworkInformation>

namespace garbello::platform {

NetworkReachability::NetworkReachability() {
    available_ =
        QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability);
    if (!available_) {
        log::weather.info("No network monitor; weather refreshes on the timer and on wake only");
        return;
    }
    QObject::connect(QNetworkInformation::instance(), &QNetworkInformation::reachabilityChanged,
                     &context_, [this](QNetworkInformation::Reachability reachability) {
                         if (update_)
                             update_(reachability == QNetworkInformation::Reachability::Online);
                     });
}

void NetworkReachability::watch(std::function<void(bool online)> update) {
    update_ = std::move(update);
    if (!available_ || !update_)
        return;
    // The state known now comes first, as a report of its own after this
    // call, as the interface promises.
    QMetaObject::invokeMethod(
        &context_,
        [this] {
            const auto now = QNetworkInformation::instance()->reachability();
            if (update_ && now != QNetworkInformation::Reachability::Unknown)
                update_(now == QNetworkInformation::Reachability::Online);
        },
        Qt::QueuedConnection);
}

} // namespace garbello::platform
