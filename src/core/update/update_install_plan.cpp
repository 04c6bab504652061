#include "update/update_install_plan.h"

#include "net/url.h"

#include <limits>

namespace garbello {
namespace {

std::filesystem::path requirePath(const Json& object, std::string_view key) {
    std::optional<std::filesystem::path> path = pathOfFileUrl(json::requireString(object, key));
    if (!path)
        throw DecodingError::typeMismatch(key, "an absolute file URL");
    return *path;
}

} // namespace

Json UpdateInstallPlan::toJson() const {
    return {
        {"destination", fileUrl(destination)}, {"staged", fileUrl(staged)},
        {"release", release.toJson()},         {"parentPID", parentPID},
        {"receipt", fileUrl(receipt)},         {"workspace", fileUrl(workspace)},
    };
}

UpdateInstallPlan UpdateInstallPlan::fromJson(const Json& object) {
    json::requireObject(object, "install plan");
    UpdateInstallPlan plan;
    plan.destination = requirePath(object, "destination");
    plan.staged = requirePath(object, "staged");
    plan.release = UpdateRelease::fromJson(json::requireKey(object, "release"));
    std::int64_t pid = json::requireInteger(object, "parentPID");
    if (pid < std::numeric_limits<std::int32_t>::min() ||
        pid > std::numeric_limits<std::int32_t>::max())
        throw DecodingError::typeMismatch("parentPID", "32-bit integer");
    plan.parentPID = static_cast<std::int32_t>(pid);
    plan.receipt = requirePath(object, "receipt");
    plan.workspace = requirePath(object, "workspace");
    return plan;
}

} // namespace garbello
