#pragma once

#include "platform/application_exit.h"
#include "platform/clock.h"
#include "platform/file_manager.h"
#include "platform/front_application.h"
#include "platform/task_queue.h"
#include "update/update_installer.h"
#include "update/update_preferences.h"
#include "update/update_release.h"
#include "update/update_transport.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace garbello {

// The application's side of self-updating: when to look for a release, the
// check, the offer, skipping, the download and the hand-over to the install
// helper, with one status line and a progress value for the menu and the
// settings window. Lives on the main thread; the feed and the download are
// fetched on `network`, verification and staging run on `staging`, and
// every result comes back on `mainThread`. Create it with `create`: work in
// flight holds it weakly and is dropped once it is gone.
class UpdateController : public std::enable_shared_from_this<UpdateController> {
public:
    static constexpr double kTickInterval = 60;

    // The desktop and the threads; each must outlive the controller, and the
    // workers must stop (drop their tasks) before `mainThread` goes.
    struct Services {
        platform::Clock& clock;
        platform::TaskQueue& network;
        platform::TaskQueue& staging;
        platform::TaskQueue& mainThread;
        platform::FrontApplication& front;
        platform::FileManager& files;
        platform::ApplicationExit& exit;
    };

    // Downloads `url` into the system temporary folder within `limit` bytes,
    // reporting progress (any thread); returns the file. Runs on `network`.
    using Fetch = std::function<std::filesystem::path(const std::string& url, std::int64_t limit,
                                                      const std::function<void(double)>& progress)>;

    // Where the controller's work goes; tests point it at their own server,
    // folders and key.
    struct Setup {
        std::string feed = std::string(UpdateTransport::feed);
        // The running version, also sent with every request.
        std::string runningVersion = std::string(UpdateVersion::current);
        UpdateTransport::Configuration transport;
        // The transport with the version and configuration above, unless set.
        Fetch fetch;
        // The installed bundle this process runs from.
        std::filesystem::path bundle = runningBundle();
        UpdateInstallEnvironment installer;
        // The wall clock for the daily rule.
        std::function<Date()> now = [] { return std::chrono::system_clock::now(); };
    };

    static std::shared_ptr<UpdateController> create(Services services, Setup setup);
    // With the release server, this process's bundle and /opt.
    static std::shared_ptr<UpdateController> create(Services services);

    // The bundle that holds this process's executable.
    static std::filesystem::path runningBundle();

    // Called after every change of the state below.
    std::function<void()> onChange;
    // Called whenever the preferences change; the owner persists them.
    std::function<void(const UpdatePreferences&)> onPreferences;
    // The owner replaces this with the stored value before `start`.
    UpdatePreferences preferences;

    const std::optional<UpdateRelease>& release() const { return release_; }
    const std::string& status() const { return status_; }
    std::optional<double> progress() const { return progress_; }
    bool busy() const { return busy_; }
    // This copy cannot replace itself; the owner offers the download
    // instead. Never reset during the run.
    bool canOpenDownload() const { return canOpenDownload_; }

    // Shows the result of an install that ran before this launch, runs the
    // daily rule once and then every minute.
    void start();
    // Ends the minute timer, at quit; work in flight finishes unseen.
    void stop() { timer_.reset(); }
    // Looks for a release; dropped while busy.
    void check(bool manual);
    // Stops offering the release on offer to automatic checks.
    void skip();
    // Downloads, verifies and stages the release on offer and hands it to
    // the install helper, or says why this copy cannot be replaced.
    void install();
    // Downloads and verifies the release on offer into the Downloads folder
    // and reveals it.
    void openDownload();

    ~UpdateController();
    UpdateController(const UpdateController&) = delete;
    UpdateController& operator=(const UpdateController&) = delete;

private:
    UpdateController(Services services, Setup setup);

    void automaticCheck();
    void finishCheck(std::optional<UpdateRelease> fetched, std::string failure, bool manual);
    void download(bool installing);
    void downloaded(const std::filesystem::path& file, const UpdateRelease& release,
                    bool installing);
    void handOver(const std::filesystem::path& staged, const UpdateRelease& release);
    void failDownload(const std::string& description);
    void finishDownload();
    void changed();
    void preferencesChanged();

    Services services_;
    Setup setup_;
    std::unique_ptr<platform::RepeatingTimer> timer_;

    std::optional<UpdateRelease> release_;
    std::string status_ = "Check for a newer version any time.";
    std::optional<double> progress_;
    bool busy_ = false;
    bool canOpenDownload_ = false;
};

} // namespace garbello
