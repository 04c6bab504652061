#include "update/update_error.h"

#include <stdexcept>

namespace garbello {
namespace {

std::string messageFor(UpdateError::Kind kind) {
    using Kind = UpdateError::Kind;
    switch (kind) {
    case Kind::macOSRequired:
        break;
    case Kind::invalidFeed:
        return "The update information could not be read. Try checking again later.";
    case Kind::insecureConnection:
        return "Updates need a secure HTTPS connection.";
    case Kind::download:
        return "The download could not finish. Check your connection and try again.";
    case Kind::size:
        return "The download is incomplete. Please try again.";
    case Kind::hash:
        return "The download did not match the release. Please try again.";
    case Kind::signature:
        return "The app\u2019s signature could not be verified. The update was stopped.";
    case Kind::notarization:
        return "macOS could not approve this app. The update was stopped.";
    case Kind::bundleVersion:
        return "The downloaded app does not match the new version.";
    case Kind::installLocation:
        return "Move Garbello to Applications to update it here. You can also open the download "
               "in Finder.";
    case Kind::swap:
        return "The app could not be replaced. Your current copy is ready to use.";
    case Kind::rollback:
        return "The previous app could not be restored. Open the download in Finder to install "
               "it.";
    case Kind::manualDownload:
        return "Download the current release from the website to continue updating.";
    case Kind::relaunch:
        return "The updated app could not start. Your previous copy has been restored.";
    }
    throw std::logic_error("UpdateError::macOSRequired needs the required version");
}

} // namespace

UpdateError::UpdateError(Kind kind) : UpdateError(kind, messageFor(kind), "") {}

UpdateError::UpdateError(Kind kind, std::string description, std::string requiredVersion)
    : Error(std::move(description)), kind_(kind), requiredVersion_(std::move(requiredVersion)) {}

UpdateError UpdateError::macOSRequired(const std::string& version) {
    return UpdateError(Kind::macOSRequired, "This update needs macOS " + version + " or later.",
                       version);
}

} // namespace garbello
