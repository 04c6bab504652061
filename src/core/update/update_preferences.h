#pragma once

#include "support/json_decode.h"

#include <optional>
#include <string>

namespace garbello {

// The updater's persisted preferences, stored in the settings file.
struct UpdatePreferences {
    bool automatic = true;
    std::optional<Date> lastChecked;
    std::optional<std::string> skippedVersion;
    // Install receipt still to be read after a relaunch.
    std::optional<std::string> pendingResultPath;

    bool operator==(const UpdatePreferences&) const = default;

    // An automatic check is due: checks are on, the user is not in full
    // screen, and a day has passed since the last one (a last check in the
    // future means not yet).
    bool shouldCheck(Date now, bool fullscreen) const;

    // The release is newer than `current` and not the one the user skipped.
    bool shouldOffer(std::string_view version, std::string_view current) const;

    // JSON form: "automatic" always; the optional keys only when present;
    // dates as seconds since 2001-01-01 UTC.
    Json toJson() const;
    // Strict: "automatic" required, optional keys type-checked when present.
    static UpdatePreferences fromJson(const Json& json);
};

} // namespace garbello
