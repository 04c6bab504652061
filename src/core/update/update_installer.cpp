#include "update/update_installer.h"

#include "support/atomic_file.h"
#include "support/log.h"
#include "support/paths.h"
#include "support/process.h"
#include "support/uuid.h"
#include "update/app_bundle.h"
#include "update/build_info.h"
#include "update/release_image.h"
#include "update/update_error.h"
#include "update/update_install_plan.h"
#include "update/update_security.h"
#include "update/update_swap.h"
#include "update/update_version.h"

#include <cerrno>
#include <cstring>
#include <exception>
#include <functional>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace garbello {
namespace {

namespace fs = std::filesystem;

// Probes of the parent and reads of the receipt: about 30 s for each wait.
constexpr int kProbes = 300;
constexpr auto kProbeInterval = std::chrono::milliseconds(100);
constexpr const char* kStagedPrefix = ".Garbello-update-";

void copyBundle(const fs::path& from, const fs::path& to) {
    UpdateSecurity::command("/bin/cp", {"-a", "--", from.string(), to.string()},
                            UpdateError::Kind::swap);
    // The image is read-only; the installed copy must be replaceable later.
    makeOwnerWritable(to);
}

fs::path createWorkspace(const fs::path& path) {
    if (::mkdir(path.c_str(), 0700) != 0 || ::chmod(path.c_str(), 0700) != 0)
        throw FileError("Could not create " + path.string() + ": " + std::strerror(errno));
    return path;
}

void copyExecutable(const fs::path& from, const fs::path& to) {
    std::error_code error;
    fs::copy_file(from, to, error);
    if (!error)
        fs::permissions(to, fs::perms::owner_all, fs::perm_options::replace, error);
    if (error)
        throw FileError("Could not copy " + from.string() + ": " + error.message());
}

// Runs `steps`; a failure that is no Error (the file system's or the
// standard library's) is logged with its own text and becomes
// UpdateError::swap, so that the helper's rollback handles every failure.
void failingAsError(const std::function<void()>& steps) {
    try {
        steps();
    } catch (const Error&) {
        throw;
    } catch (const std::exception& error) {
        log::updater.error("Unexpected failure while installing the update: " +
                           std::string(error.what()));
        throw UpdateError(UpdateError::Kind::swap);
    } catch (...) {
        log::updater.error("Unexpected failure while installing the update");
        throw UpdateError(UpdateError::Kind::swap);
    }
}

// The installed bundle without ".", ".." or a trailing separator, so that
// the staged copy derived from it lands beside it ("/opt/Garbello.app/"
// would otherwise put it inside); no value unless it is a directory named
// Garbello.app.
std::optional<fs::path> installedBundle(const fs::path& destination) {
    fs::path bundle = standardisedPath(destination);
    std::error_code error;
    if (bundle.filename() != app_bundle::kName || !fs::is_directory(bundle, error))
        return std::nullopt;
    return bundle;
}

fs::path requireInstalledBundle(const fs::path& destination) {
    auto bundle = installedBundle(destination);
    if (!bundle)
        throw UpdateError(UpdateError::Kind::installLocation);
    return *bundle;
}

std::optional<std::string> readReceipt(const fs::path& receipt) {
    try {
        return readFile(receipt);
    } catch (const FileError&) {
        return std::nullopt;
    }
}

} // namespace

std::string pinnedReleaseKey() {
    return build_info::releasePublicKey;
}

void UpdateInstallEnvironment::sleepOnThisThread(std::chrono::milliseconds duration) {
    std::this_thread::sleep_for(duration);
}

fs::path UpdateInstaller::stage(const fs::path& image, const UpdateRelease& release,
                                const fs::path& destination) const {
    fs::path installed = requireInstalledBundle(destination);
    auto installedVersion = app_bundle::infoString(installed, "CFBundleShortVersionString");
    if (!installedVersion || !UpdateVersion::isNewer(release.version, *installedVersion))
        throw UpdateError(UpdateError::Kind::bundleVersion);
    UpdateSecurity::verifyDownload(image, release.byteSize, release.sha256);
    release.checkCompatibility();

    auto mount = release_image::attach(image, environment_.temporaryDirectory /
                                                  ("garbello-mount-" + newUuidString()));
    fs::path mounted = mount.path() / app_bundle::kName;
    UpdateSecurity::verifyApp(mounted, environment_.trustedKey);
    UpdateSecurity::verifyVersion(mounted, release);

    fs::path staged =
        installed.parent_path() / (std::string(kStagedPrefix) + newUuidString() + ".app");
    try {
        copyBundle(mounted, staged);
        UpdateSecurity::verifyApp(staged, environment_.trustedKey);
        UpdateSecurity::verifyVersion(staged, release);
    } catch (...) {
        removeTree(staged);
        throw;
    }
    log::updater.info("Verified and staged version " + release.version);
    return staged;
}

fs::path UpdateInstaller::startHelper(const fs::path& staged, const UpdateRelease& release,
                                      const fs::path& destination) const {
    fs::path installed = requireInstalledBundle(destination);
    if (!UpdateSecurity::mayReplace(installed, environment_.applicationsFolder) ||
        !UpdateVersion::isNewer(release.version, environment_.runningVersion))
        throw UpdateError(UpdateError::Kind::installLocation);

    fs::path workspace =
        createWorkspace(environment_.temporaryDirectory / ("garbello-helper-" + newUuidString()));
    fs::path helper = workspace / "update-helper";
    fs::path planFile = workspace / "plan.json";
    pid_t pid = 0;
    try {
        copyExecutable(app_bundle::executable(installed), helper);
        UpdateInstallPlan plan{
            installed,           staged,   release, static_cast<std::int32_t>(::getpid()),
            workspace / "ready", workspace};
        writeFileAtomically(planFile, plan.toJson().dump());
        pid = startDetached(helper,
                            {"--headless", "--silent", "--complete-update", planFile.string()});
    } catch (...) {
        // No helper runs, so nothing else would ever remove the workspace.
        removeTree(workspace);
        throw;
    }
    log::updater.info("Update helper started: PID " + std::to_string(pid));
    return workspace / "error.txt";
}

void UpdateInstaller::complete(const fs::path& planFile) const {
    UpdateInstallPlan plan = UpdateInstallPlan::fromJson(json::parse(readFile(planFile)));
    bool consistent =
        installedBundle(plan.destination) &&
        UpdateSecurity::mayReplace(plan.destination, environment_.applicationsFolder) &&
        standardisedPath(planFile).parent_path() == standardisedPath(plan.workspace) &&
        // The new version is told to write here; it must not write elsewhere.
        standardisedPath(plan.receipt).parent_path() == standardisedPath(plan.workspace) &&
        standardisedPath(plan.staged).parent_path() ==
            standardisedPath(plan.destination).parent_path() &&
        plan.staged.filename().string().starts_with(kStagedPrefix) &&
        UpdateVersion::isNewer(plan.release.version, environment_.runningVersion) &&
        plan.parentPID > 0;
    if (!consistent)
        throw UpdateError(UpdateError::Kind::installLocation);

    waitForParentToExit(plan.parentPID);

    try {
        failingAsError([&] {
            UpdateSecurity::verifyApp(plan.staged, environment_.trustedKey);
            UpdateSecurity::verifyVersion(plan.staged, plan.release);
            UpdateSwap::perform(plan.destination, plan.staged, [&] {
                validateNewVersion(plan.destination, plan.release, plan.receipt);
            });
        });
    } catch (const Error& error) {
        log::updater.error("Update rolled back: " + std::string(error.what()));
        try {
            writeFileAtomically(plan.workspace / "error.txt", error.what());
        } catch (...) {
        }
        try {
            startDetached(app_bundle::executable(plan.destination), {});
        } catch (...) {
        }
        throw;
    }
    removeTree(plan.staged);
    log::updater.info("Update installed and launch receipt received");
    removeTree(plan.workspace);
}

void UpdateInstaller::waitForParentToExit(int parentPID) const {
    for (int probe = 0; probe < kProbes; ++probe) {
        if (!processExists(parentPID))
            return;
        environment_.sleepFor(kProbeInterval);
    }
    // Nothing has been touched yet: the application simply keeps running.
    if (processExists(parentPID))
        throw UpdateError(UpdateError::Kind::swap);
}

void UpdateInstaller::validateNewVersion(const fs::path& destination, const UpdateRelease& release,
                                         const fs::path& receipt) const {
    UpdateSecurity::verifyApp(destination, environment_.trustedKey);
    UpdateSecurity::verifyVersion(destination, release);
    ChildProcess started =
        ChildProcess::start(app_bundle::executable(destination), {"--update-receipt", receipt});
    for (int round = 0; round < kProbes && started.isRunning(); ++round) {
        if (readReceipt(receipt) == release.version) {
            // The new version runs on after the helper has gone.
            started.release();
            return;
        }
        environment_.sleepFor(kProbeInterval);
    }
    started.terminate();
    throw UpdateError(UpdateError::Kind::relaunch);
}

} // namespace garbello
