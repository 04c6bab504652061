#pragma once

#include "support/error.h"

#include <string>

namespace garbello {

// The updater's failures. Each case carries one fixed user-facing text, which
// is what the update status shows; callers match on kind().
class UpdateError : public Error {
public:
    enum class Kind {
        macOSRequired,
        invalidFeed,
        insecureConnection,
        download,
        size,
        hash,
        signature,
        notarization,
        bundleVersion,
        installLocation,
        swap,
        rollback,
        manualDownload,
        relaunch,
    };

    // Every case except macOSRequired, which needs the version it asks for.
    explicit UpdateError(Kind kind);

    // The release needs a newer operating system than the one running;
    // `version` is the manifest's text, shown unchanged.
    static UpdateError macOSRequired(const std::string& version);

    Kind kind() const { return kind_; }
    // The version a macOSRequired error names; empty for the other cases.
    const std::string& requiredVersion() const { return requiredVersion_; }

private:
    UpdateError(Kind kind, std::string description, std::string requiredVersion);

    Kind kind_;
    std::string requiredVersion_;
};

} // namespace garbello
