#include "update/update_preferences.h"

#include "update/update_version.h"

namespace garbello {
namespace {
constexpr auto kCheckInterval = std::chrono::seconds(86'400);
} // namespace

bool UpdatePreferences::shouldCheck(Date now, bool fullscreen) const {
    if (!automatic || fullscreen)
        return false;
    if (!lastChecked)
        return true;
    return now - *lastChecked >= kCheckInterval;
}

bool UpdatePreferences::shouldOffer(std::string_view version, std::string_view current) const {
    if (skippedVersion && *skippedVersion == version)
        return false;
    return UpdateVersion::isNewer(version, current);
}

Json UpdatePreferences::toJson() const {
    Json json = {{"automatic", automatic}};
    if (lastChecked)
        json["lastChecked"] = secondsSinceReferenceDate(*lastChecked);
    if (skippedVersion)
        json["skippedVersion"] = *skippedVersion;
    if (pendingResultPath)
        json["pendingResultPath"] = *pendingResultPath;
    return json;
}

UpdatePreferences UpdatePreferences::fromJson(const Json& json) {
    json::requireObject(json, "updaterV1");
    UpdatePreferences preferences;
    preferences.automatic = json::requireBool(json, "automatic");
    preferences.lastChecked = optionalDate(json, "lastChecked");
    preferences.skippedVersion = json::optionalString(json, "skippedVersion");
    preferences.pendingResultPath = json::optionalString(json, "pendingResultPath");
    return preferences;
}

} // namespace garbello
