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
    // Dates are compared, never subtracted: the time between two dates
    // centuries apart does not fit the clock's 64-bit nanoseconds. A last
    // check in the future (the clock was set back) is not yet a day old.
    if (*lastChecked > now)
        return false;
    // Only a `now` within a day of the earliest date could not go back a day;
    // every last check before it is then less than a day ago.
    if (now.time_since_epoch() < Date::duration::min() + kCheckInterval)
        return false;
    return *lastChecked <= now - kCheckInterval;
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
