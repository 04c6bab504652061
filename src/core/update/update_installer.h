#pragma once

#include "update/update_release.h"
#include "update/update_version.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

namespace garbello {

// The signing key release bundles must verify under, fixed at build time.
std::string pinnedReleaseKey();

// Where and against what the installer works; tests point it at their own
// folders and key.
struct UpdateInstallEnvironment {
    // The folder an updatable installation must lie directly in.
    std::filesystem::path applicationsFolder = "/opt";
    // The release signing key bundles must verify under (raw, hexadecimal).
    std::string trustedKey = pinnedReleaseKey();
    // Where mount points and helper workspaces are made.
    std::filesystem::path temporaryDirectory = std::filesystem::temp_directory_path();
    // The version of the program doing the work.
    std::string runningVersion = std::string(UpdateVersion::current);
    // How the helper pauses between two probes of the parent process or of
    // the receipt (300 probes, 100 ms apart): really, unless a test counts
    // the pauses instead of sleeping through them.
    std::function<void(std::chrono::milliseconds)> sleepFor = sleepOnThisThread;

    static void sleepOnThisThread(std::chrono::milliseconds duration);
};

// Turns a verified release image into the installed, running new version in
// three steps over three processes: stage (running application), startHelper
// (running application, which then quits) and complete (the helper). Nothing
// is deleted before the new version has confirmed that it runs.
class UpdateInstaller {
public:
    using Environment = UpdateInstallEnvironment;

    UpdateInstaller() = default;
    explicit UpdateInstaller(Environment environment) : environment_(std::move(environment)) {}

    // `destination`, here and in the plan, is the installed bundle: a
    // directory named Garbello.app (a trailing separator is fine); anything
    // else is refused with UpdateError::installLocation.

    // Verifies `image` against `release`, unpacks it, checks the bundle inside
    // and copies it beside `destination` as ".Garbello-update-<UUID>.app",
    // checked again. Returns the staged copy; on failure nothing is left.
    std::filesystem::path stage(const std::filesystem::path& image, const UpdateRelease& release,
                                const std::filesystem::path& destination) const;

    // Writes the install plan into a new private workspace and starts a copy
    // of the installed executable as the helper that completes the update.
    // Returns the file in which the helper will leave an error description.
    std::filesystem::path startHelper(const std::filesystem::path& staged,
                                      const UpdateRelease& release,
                                      const std::filesystem::path& destination) const;

    // In the helper: waits for the application to quit, swaps the bundles,
    // starts the new version and waits for its launch receipt; on failure
    // after the swap, puts the previous version back, leaves "error.txt" in
    // the workspace and reopens the previous version.
    void complete(const std::filesystem::path& planFile) const;

private:
    void waitForParentToExit(int parentPID) const;
    void validateNewVersion(const std::filesystem::path& destination, const UpdateRelease& release,
                            const std::filesystem::path& receipt) const;

    Environment environment_;
};

} // namespace garbello
