#pragma once

#include "support/json_decode.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace garbello {

// One release as the release server's manifest describes it. The JSON keys
// are the manifest's snake-case ones; the same form is stored in install plans.
struct UpdateRelease {
    std::string version;
    std::int64_t build = 0;
    std::string minimumMacOS;
    std::string dmgURL;
    std::int64_t byteSize = 0;
    std::string sha256;
    std::string releaseNotes;
    std::string published;
    std::optional<std::int64_t> minSupportedUpdater;

    bool operator==(const UpdateRelease&) const = default;

    // Decodes and validates a downloaded manifest; every problem, including
    // an oversized one, is UpdateError::invalidFeed so that nothing of a
    // rejected manifest is ever shown.
    static UpdateRelease parse(std::string_view data);
    // The same rules for a manifest object that is already decoded.
    static UpdateRelease fromJson(const Json& object);
    Json toJson() const;

    // Throws UpdateError::manualDownload when this updater may not install
    // the release, macOSRequired when the running system is too old for it,
    // and invalidFeed when the required version is unreadable.
    void checkCompatibility() const;
    // The same against a given running system version (dotted numbers).
    void checkCompatibility(std::string_view runningSystemVersion) const;
};

// The generation of this updater; releases may demand a newer one.
inline constexpr std::int64_t kUpdaterGeneration = 1;

// The version of the running C library, the real floor a Linux build needs.
std::string runningSystemVersion();

} // namespace garbello
