#pragma once

#include "support/json_decode.h"
#include "update/update_release.h"

#include <cstdint>
#include <filesystem>

namespace garbello {

// What the install helper is asked to do, written by the running application
// into the helper's workspace as "plan.json". Paths are absolute; on disk they
// are percent-encoded "file" URLs.
struct UpdateInstallPlan {
    std::filesystem::path destination; // the installed bundle to replace
    std::filesystem::path staged;      // the verified new bundle beside it
    UpdateRelease release;
    std::int32_t parentPID = 0;      // the application that must exit first
    std::filesystem::path receipt;   // written by the new version once it runs
    std::filesystem::path workspace; // this update's private directory

    bool operator==(const UpdateInstallPlan&) const = default;

    Json toJson() const;
    // Strict: every key, absolute file URLs, a valid release. Throws
    // DecodingError, or UpdateError::invalidFeed for the release.
    static UpdateInstallPlan fromJson(const Json& object);
};

} // namespace garbello
