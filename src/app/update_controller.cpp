#include "app/update_controller.h"

#include "support/atomic_file.h"
#include "support/log.h"
#include "support/paths.h"
#include "support/uuid.h"
#include "update/update_error.h"
#include "update/update_security.h"
#include "update/update_version.h"

#include <system_error>

namespace garbello {
namespace {

namespace fs = std::filesystem;

void removeIfThere(const fs::path& file) {
    std::error_code ignored;
    fs::remove(file, ignored);
}

// Downloads usually lie on another file system than the temporary folder, so
// a rename may not do; a copy cut short is not left behind.
void moveFile(const fs::path& from, const fs::path& to) {
    createDirectories(to.parent_path());
    std::error_code error;
    fs::rename(from, to, error);
    if (!error)
        return;
    if (error != std::errc::cross_device_link)
        throw FileError("Could not move the download to " + to.string() + ": " + error.message());
    if (!fs::copy_file(from, to, error)) {
        removeIfThere(to);
        throw FileError("Could not copy the download to " + to.string() + ": " + error.message());
    }
    removeIfThere(from);
}

std::string skippedText(const std::string& version) {
    return "Version " + version + " is skipped. Check again to see it.";
}

} // namespace

std::shared_ptr<UpdateController> UpdateController::create(Services services, Setup setup) {
    return std::shared_ptr<UpdateController>(new UpdateController(services, std::move(setup)));
}

std::shared_ptr<UpdateController> UpdateController::create(Services services) {
    return create(services, Setup{});
}

UpdateController::UpdateController(Services services, Setup setup)
    : services_(services), setup_(std::move(setup)) {
    if (!setup_.fetch)
        setup_.fetch = [version = setup_.runningVersion, configuration = setup_.transport](
                           const std::string& url, std::int64_t limit,
                           const std::function<void(double)>& progress) {
            return UpdateTransport::fetch(url, version, limit, configuration, progress);
        };
}

UpdateController::~UpdateController() = default;

fs::path UpdateController::runningBundle() {
    std::error_code error;
    fs::path executable = fs::read_symlink("/proc/self/exe", error);
    // <bundle>/Contents/MacOS/Garbello
    return error ? fs::path() : executable.parent_path().parent_path().parent_path();
}

void UpdateController::changed() {
    if (onChange)
        onChange();
}

void UpdateController::preferencesChanged() {
    if (onPreferences)
        onPreferences(preferences);
}

void UpdateController::start() {
    if (preferences.pendingResultPath) {
        try {
            status_ = readFile(*preferences.pendingResultPath);
        } catch (const std::exception&) {
            // No result to show; the path goes all the same.
        }
        preferences.pendingResultPath.reset();
        preferencesChanged();
        changed();
    }
    automaticCheck();
    timer_ = services_.clock.repeat(kTickInterval, [weak = weak_from_this()] {
        if (auto self = weak.lock())
            self->automaticCheck();
    });
}

void UpdateController::automaticCheck() {
    // Whether a day has passed is asked first: it is free, while the
    // full-screen test reads the window list.
    if (!preferences.shouldCheck(setup_.now(), false) || services_.front.isFullScreen())
        return;
    check(false);
}

void UpdateController::check(bool manual) {
    if (busy_)
        return;
    busy_ = true;
    if (manual)
        status_ = "Checking for updates…";
    // Stamped when the check starts, so a failing one waits a day as well.
    preferences.lastChecked = setup_.now();
    preferencesChanged();
    changed();
    log::updater.info(std::string("Checking update feed; manual=") + (manual ? "true" : "false"));

    services_.network.post([weak = weak_from_this(), fetch = setup_.fetch, feed = setup_.feed,
                            mainThread = &services_.mainThread, manual] {
        std::optional<UpdateRelease> fetched;
        std::string failure;
        try {
            fs::path file = fetch(feed, UpdateTransport::kManifestLimit, {});
            std::string text;
            try {
                text = readFile(file);
            } catch (...) {
                removeIfThere(file);
                throw;
            }
            removeIfThere(file);
            fetched = UpdateRelease::parse(text);
        } catch (const std::exception& error) {
            failure = error.what();
        }
        mainThread->post(
            [weak, fetched = std::move(fetched), failure = std::move(failure), manual]() mutable {
                if (auto self = weak.lock())
                    self->finishCheck(std::move(fetched), std::move(failure), manual);
            });
    });
}

void UpdateController::finishCheck(std::optional<UpdateRelease> fetched, std::string failure,
                                   bool manual) {
    if (fetched) {
        const std::string& version = fetched->version;
        if (!UpdateVersion::isNewer(version, setup_.runningVersion)) {
            release_.reset();
            status_ = "You have the latest version.";
        } else if (!manual && !preferences.shouldOffer(version, setup_.runningVersion)) {
            release_.reset();
            status_ = skippedText(version);
        } else {
            // Stored before the compatibility check, which may still refuse.
            release_ = *fetched;
            try {
                release_->checkCompatibility();
                status_ = "Version " + version + " is ready.";
            } catch (const std::exception& error) {
                failure = error.what();
            }
        }
    }
    if (!failure.empty()) {
        if (manual)
            status_ = failure;
        log::updater.error("Update check failed: " + failure);
    }
    busy_ = false;
    changed();
}

void UpdateController::skip() {
    if (!release_ || busy_)
        return;
    preferences.skippedVersion = release_->version;
    preferencesChanged();
    status_ = skippedText(release_->version);
    release_.reset();
    changed();
}

void UpdateController::install() {
    if (!release_ || busy_)
        return;
    if (!UpdateSecurity::mayReplace(setup_.bundle, setup_.installer.applicationsFolder)) {
        status_ = UpdateError(UpdateError::Kind::installLocation).description();
        canOpenDownload_ = true;
        changed();
        return;
    }
    download(true);
}

void UpdateController::openDownload() {
    if (!release_ || busy_)
        return;
    download(false);
}

void UpdateController::download(bool installing) {
    // The tasks carry their own copy: the offer may change once it is in.
    const UpdateRelease release = *release_;
    busy_ = true;
    progress_ = 0;
    status_ = "Downloading version " + release.version + "…";
    changed();
    try {
        release.checkCompatibility();
    } catch (const std::exception& error) {
        failDownload(error.what());
        return;
    }

    services_.network.post([weak = weak_from_this(), fetch = setup_.fetch, release,
                            mainThread = &services_.mainThread, installing] {
        auto report = [weak, mainThread](double fraction) {
            mainThread->post([weak, fraction] {
                if (auto self = weak.lock(); self && self->progress_) {
                    self->progress_ = fraction;
                    self->changed();
                }
            });
        };
        try {
            fs::path file = fetch(release.dmgURL, release.byteSize, report);
            mainThread->post([weak, file, release, installing] {
                if (auto self = weak.lock())
                    self->downloaded(file, release, installing);
                else
                    removeIfThere(file);
            });
        } catch (const std::exception& error) {
            mainThread->post([weak, failure = std::string(error.what())] {
                if (auto self = weak.lock())
                    self->failDownload(failure);
            });
        }
    });
}

void UpdateController::downloaded(const fs::path& file, const UpdateRelease& release,
                                  bool installing) {
    status_ = "Verifying the download…";
    changed();
    auto* mainThread = &services_.mainThread;
    if (!installing) {
        const fs::path target =
            services_.files.downloadsFolder() /
            ("Garbello-" + release.version + "-" + newUuidString().substr(0, 6) + ".dmg");
        services_.staging.post([weak = weak_from_this(), mainThread, file, release, target] {
            std::string failure;
            try {
                UpdateSecurity::verifyDownload(file, release.byteSize, release.sha256);
                moveFile(file, target);
            } catch (const std::exception& error) {
                failure = error.what();
            }
            removeIfThere(file);
            mainThread->post([weak, target, failure] {
                auto self = weak.lock();
                if (!self)
                    return;
                if (!failure.empty())
                    return self->failDownload(failure);
                self->services_.files.reveal(target);
                self->status_ = "Open the download and move Garbello to Applications.";
                self->finishDownload();
            });
        });
        return;
    }
    services_.staging.post([weak = weak_from_this(), mainThread, file, release,
                            bundle = setup_.bundle, environment = setup_.installer] {
        fs::path staged;
        std::string failure;
        try {
            staged = UpdateInstaller(environment).stage(file, release, bundle);
        } catch (const std::exception& error) {
            failure = error.what();
        }
        removeIfThere(file);
        mainThread->post([weak, staged, release, failure] {
            auto self = weak.lock();
            if (!self) {
                if (!staged.empty())
                    removeTree(staged);
                return;
            }
            if (!failure.empty())
                return self->failDownload(failure);
            self->handOver(staged, release);
        });
    });
}

void UpdateController::handOver(const fs::path& staged, const UpdateRelease& release) {
    fs::path resultFile;
    try {
        resultFile = UpdateInstaller(setup_.installer).startHelper(staged, release, setup_.bundle);
    } catch (const std::exception& error) {
        try {
            removeTree(staged);
        } catch (const std::exception&) {
        }
        return failDownload(error.what());
    }
    // Persisted before the process ends, so the next launch shows the result.
    preferences.pendingResultPath = resultFile.string();
    preferencesChanged();
    services_.exit.requestTermination();
    finishDownload();
}

void UpdateController::failDownload(const std::string& description) {
    status_ = description;
    log::updater.error("Update installation failed: " + description);
    finishDownload();
}

void UpdateController::finishDownload() {
    busy_ = false;
    progress_.reset();
    changed();
}

} // namespace garbello
