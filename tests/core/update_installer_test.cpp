#include "failure_of.h"
#include "run_process.h"
#include "support/atomic_file.h"
#include "support/log.h"
#include "support/paths.h"
#include "support/process.h"
#include "update/app_bundle.h"
#include "update/bundle_signature.h"
#include "update/launch_receipt.h"
#include "update/update_error.h"
#include "update/update_install_plan.h"
#include "update/update_installer.h"
#include "update/update_swap.h"
#include "update/update_version.h"
#include "update_fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <dlfcn.h>
#include <functional>
#include <optional>
#include <unistd.h>

// Links below this folder cannot be read, as on a failing disk: the one
// file-system failure a test cannot otherwise cause on a path it made itself.
static std::string failingLinksBelow;

extern "C" ssize_t readlink(const char* __restrict path, char* __restrict buffer,
                            size_t size) noexcept {
    using Readlink = ssize_t (*)(const char*, char*, size_t);
    static const auto real = reinterpret_cast<Readlink>(::dlsym(RTLD_NEXT, "readlink"));
    if (!failingLinksBelow.empty() && std::string_view(path).starts_with(failingLinksBelow)) {
        errno = EIO;
        return -1;
    }
    return real(path, buffer, size);
}

namespace garbello {
namespace {

using namespace test;
using namespace std::chrono_literals;
using Kind = UpdateError::Kind;

std::size_t entriesStartingWith(const fs::path& directory, const std::string& prefix) {
    return std::ranges::count_if(entryNames(directory),
                                 [&](const std::string& name) { return name.starts_with(prefix); });
}

// The identifier of a process that has ended and been reaped.
pid_t endedProcess() {
    ChildProcess process = ChildProcess::start("/bin/true", {});
    process.wait();
    return process.pid();
}

std::string installedVersion(const fs::path& app) {
    return app_bundle::infoString(app, "CFBundleShortVersionString").value_or("");
}

UpdateInstallPlan readPlan(const fs::path& file) {
    return UpdateInstallPlan::fromJson(json::parse(readFile(file)));
}

// An applications folder with the running version installed, a signed newer
// release image, and an installer pointed at this folder, key and a private
// temporary directory.
class UpdateInstallerTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(applications);
        fs::create_directories(temporary);
        makeBundle(installed, {"0.3.0", "3", "stay", openedLog});
        bundle_signature::sign(installed, key.privateKey);
    }

    UpdateInstallEnvironment environment() {
        UpdateInstallEnvironment environment;
        environment.applicationsFolder = applications;
        environment.trustedKey = key.publicKey;
        environment.temporaryDirectory = temporary;
        environment.runningVersion = "0.3.0";
        environment.sleepFor = [this](std::chrono::milliseconds duration) {
            paused += duration;
            if (duringPause)
                duringPause();
        };
        return environment;
    }
    UpdateInstaller installer() { return UpdateInstaller(environment()); }

    // An image of version 0.4.0 whose program behaves as `mode`; its bundle
    // holds a link, as real ones do.
    UpdateRelease makeRelease(const std::string& mode = "stay", bool sign = true) {
        fs::path app = root / ("release-" + mode) / "Garbello.app";
        fs::remove_all(app);
        makeBundle(app, {"0.4.0", "4", mode, openedLog});
        fs::create_symlink("behaviour", app / "Contents/Resources/alias");
        if (sign)
            bundle_signature::sign(app, key.privateKey);
        image = packImage(app.parent_path(), root / ("Garbello-0.4.0-" + mode + ".tar.gz"));
        return releaseFor(image, "0.4.0", 4);
    }

    // Stages the release and starts the helper; returns the plan file, with
    // the parent replaced by `parent`.
    fs::path prepare(const UpdateRelease& release, pid_t parent = endedProcess()) {
        fs::path staged = installer().stage(image, release, installed);
        fs::path planFile =
            installer().startHelper(staged, release, installed).parent_path() / "plan.json";
        UpdateInstallPlan plan = readPlan(planFile);
        plan.parentPID = parent;
        writeFileAtomically(planFile, plan.toJson().dump());
        return planFile;
    }

    TemporaryDirectory root;
    fs::path applications = root / "opt";
    // Helper workspaces land here, so the plan's URLs must escape its name.
    fs::path temporary = root / "tmp 50%#\xC3\xA9";
    fs::path installed = applications / "Garbello.app";
    fs::path openedLog = root / "opened.log";
    fs::path image;
    SigningKey key = makeSigningKey(root.path());
    // The installer's pauses are counted, not slept through; `duringPause`
    // runs in each, for real processes to get where a test needs them.
    std::chrono::milliseconds paused{0};
    std::function<void()> duringPause;
};

TEST_F(UpdateInstallerTest, InstallsASignedNewerReleaseEndToEnd) {
    ScopedLogCapture logs;
    UpdateRelease release = makeRelease();

    fs::path staged = installer().stage(image, release, installed);
    EXPECT_EQ(staged.parent_path(), applications);
    EXPECT_TRUE(staged.filename().string().starts_with(".Garbello-update-")) << staged;
    EXPECT_EQ(staged.extension(), ".app");
    EXPECT_EQ(installedVersion(staged), "0.4.0");

    fs::path errorFile = installer().startHelper(staged, release, installed);
    fs::path workspace = errorFile.parent_path(), planFile = workspace / "plan.json";
    EXPECT_EQ(errorFile.filename(), "error.txt");
    EXPECT_EQ(workspace.parent_path(), temporary);
    EXPECT_TRUE(workspace.filename().string().starts_with("garbello-helper-"));
    EXPECT_EQ(modeOf(workspace), 0700u);
    // The helper copy of the installed program records how it was started.
    ASSERT_TRUE(waitForText(workspace / "invocation.txt", planFile.string(), 5));
    EXPECT_EQ(readFile(workspace / "invocation.txt"),
              "--headless\n--silent\n--complete-update\n" + planFile.string() + "\n");
    UpdateInstallPlan plan = readPlan(planFile);
    EXPECT_EQ(plan, (UpdateInstallPlan{installed, staged, release, ::getpid(), workspace / "ready",
                                       workspace}));
    EXPECT_EQ(json::parse(readFile(planFile))["workspace"], "file://" + root.path().string() +
                                                                "/tmp%2050%25%23%C3%A9/" +
                                                                workspace.filename().string());

    ChildProcess application = ChildProcess::start("/bin/sleep", {"60"});
    plan.parentPID = application.pid();
    writeFileAtomically(planFile, plan.toJson().dump());
    // The application quits during the first pause; the new version then
    // takes the time it needs to confirm.
    duringPause = [&] {
        if (application.isRunning())
            application.terminate();
        else
            waitForText(plan.receipt, "0.4.0", 5);
    };
    installer().complete(planFile);

    EXPECT_EQ(installedVersion(installed), "0.4.0");
    EXPECT_FALSE(fs::exists(staged));
    EXPECT_FALSE(fs::exists(workspace));
    EXPECT_EQ(entriesStartingWith(temporary, "garbello-mount-"), 0u);
    EXPECT_EQ(entriesStartingWith(applications, ".Garbello-update-"), 0u);
    auto records = logs.sink().records("updater");
    ASSERT_FALSE(records.empty());
    EXPECT_EQ(records.front().message, "Verified and staged version 0.4.0");
    EXPECT_EQ(records.back().message, "Update installed and launch receipt received");
}

// Whatever fails after the swap, foreseen or not (a disk that cannot read the
// new copy's links), the previous version is put back, says why and reopens.
TEST_F(UpdateInstallerTest, KeepsThePreviousVersionWhenTheUpdateDoesNotComplete) {
    // How the new version behaves, whether the application quits, whether the
    // new copy's links fail to read, and the failure.
    const std::tuple<std::string, bool, bool, Kind> cases[] = {
        {"wrong", true, false, Kind::relaunch},
        {"exit", true, false, Kind::relaunch},
        {"stay", false, false, Kind::swap},
        {"stay", true, true, Kind::signature}};
    for (const auto& [mode, applicationQuits, unreadableLinks, failure] : cases) {
        SCOPED_TRACE(mode);
        fs::remove(openedLog);
        paused = 0ms;
        fs::path planFile =
            prepare(makeRelease(mode), applicationQuits ? endedProcess() : getpid());
        UpdateInstallPlan plan = readPlan(planFile);
        duringPause = [&] {
            if (mode == "wrong")
                waitForText(plan.receipt, "0.0.1", 5);
        };
        ScopedLogCapture logs;
        // Only the new version, once swapped into place, is affected.
        if (unreadableLinks)
            failingLinksBelow = installed.string() + "/";
        EXPECT_EQ(failureOf<UpdateError>([&] { installer().complete(planFile); }), failure);
        failingLinksBelow.clear();
        EXPECT_EQ(installedVersion(installed), "0.3.0");
        EXPECT_EQ(installedVersion(plan.staged), "0.4.0");
        if (applicationQuits) {
            const std::string description = UpdateError(failure).what();
            EXPECT_EQ(readFile(plan.workspace / "error.txt"), description);
            EXPECT_EQ(logs.sink().records("updater").back().message,
                      "Update rolled back: " + description);
            EXPECT_TRUE(waitForText(openedLog, "opened 0.3.0", 5));
        } else {
            // Untouched, after the whole wait for the application.
            EXPECT_EQ(paused, 30s);
            EXPECT_FALSE(fs::exists(plan.workspace / "error.txt"));
            EXPECT_FALSE(fs::exists(openedLog));
        }
    }
}

TEST_F(UpdateInstallerTest, RefusesAnInconsistentPlanBeforeMovingAnything) {
    fs::path planFile = prepare(makeRelease());
    const UpdateInstallPlan original = readPlan(planFile);
    fs::path elsewhere = root / "elsewhere";
    fs::create_directories(elsewhere);
    fs::create_directories(root / "home" / "Garbello.app");
    fs::create_directories(applications / "Other.app");
    const fs::path stagedName = original.staged.filename();

    // A row either changes the plan (refused as inconsistent) or writes one
    // URL in another form (refused as undecodable).
    struct Case {
        const char* name;
        std::function<void(UpdateInstallPlan&)> change;
        const char* key = nullptr;
        std::string url = {};
    };
    const std::string workspaceUrl = original.toJson()["workspace"];
    const std::string workspacePath = workspaceUrl.substr(std::string_view("file://").size());
    const std::vector<Case> cases = {
        {"plan outside its workspace",
         [&](auto& p) {
             p.workspace = elsewhere;
             p.receipt = elsewhere / "ready";
         }},
        {"staged copy in another folder", [&](auto& p) { p.staged = elsewhere / stagedName; }},
        {"staged copy without the prefix",
         [&](auto& p) { p.staged = applications / "Garbello-update.app"; }},
        {"release not newer than the helper", [](auto& p) { p.release.version = "0.3.0"; }},
        {"installed copy outside the applications folder",
         [&](auto& p) {
             p.destination = root / "home" / "Garbello.app";
             p.staged = root / "home" / stagedName;
         }},
        {"installed copy of another name",
         [&](auto& p) { p.destination = applications / "Other.app"; }},
        {"receipt outside the workspace", [&](auto& p) { p.receipt = elsewhere / "ready"; }},
        {"no parent process", [](auto& p) { p.parentPID = -1; }},
        {"plain path", {}, "destination", installed.string()},
        {"relative URL", {}, "staged", "file:Garbello.app"},
        {"other scheme", {}, "destination", "https://localhost" + installed.string()},
        {"remote host", {}, "workspace", "file://server" + workspacePath},
        {"query", {}, "receipt", workspaceUrl + "/ready?x"},
        {"bad escape", {}, "workspace", workspaceUrl + "%G0"},
        {"cut escape", {}, "workspace", workspaceUrl + "%4"},
        {"NUL escape", {}, "receipt", workspaceUrl + "/ready%00"},
        {"unescaped space", {}, "workspace", "file://" + original.workspace.string()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UpdateInstallPlan plan = original;
        if (c.change)
            c.change(plan);
        Json written = plan.toJson();
        if (c.key)
            written[c.key] = c.url;
        writeFileAtomically(planFile, written.dump());
        if (c.key) {
            try {
                installer().complete(planFile);
                ADD_FAILURE() << "accepted";
            } catch (const DecodingError& error) {
                EXPECT_EQ(error.key(), c.key);
            }
        } else {
            EXPECT_EQ(failureOf<UpdateError>([&] { installer().complete(planFile); }),
                      Kind::installLocation);
        }
        EXPECT_EQ(installedVersion(installed), "0.3.0");
        EXPECT_EQ(installedVersion(original.staged), "0.4.0");
    }
    // The plan goes through with its URLs spelled another valid way, so each
    // refusal above was its own.
    Json respelled = original.toJson();
    respelled["destination"] = "file://localhost" + applications.string() + "/Garbello%2Eapp";
    writeFileAtomically(planFile, respelled.dump());
    duringPause = [&] { waitForText(original.receipt, "0.4.0", 5); };
    installer().complete(planFile);
    EXPECT_EQ(installedVersion(installed), "0.4.0");
}

// One failure at each step of staging; the checks themselves are tested on
// their own.
TEST_F(UpdateInstallerTest, StagingFailuresLeaveNothingBehind) {
    // What is wrong, whether the bundle is signed, the change to the release
    // and the failure.
    using Change = std::function<void(UpdateRelease&)>;
    const std::vector<std::tuple<const char*, bool, Change, Kind>> cases = {
        {"wrong digest", true, [](auto& r) { r.sha256 = std::string(64, '0'); }, Kind::hash},
        {"system too old", true, [](auto& r) { r.minimumMacOS = "99.0"; }, Kind::macOSRequired},
        {"unsigned bundle", false, [](auto&) {}, Kind::signature},
        {"bundle of another version", true, [](auto& r) { r.version = "0.5.0"; },
         Kind::bundleVersion},
        {"bundle of another build", true, [](auto& r) { r.build = 5; }, Kind::bundleVersion},
        // Last, as it replaces the installed copy.
        {"not newer than installed", true,
         [this](auto&) {
             makeBundle(installed, {"0.4.0", "4", "stay", openedLog});
         },
         Kind::bundleVersion},
    };
    for (const auto& [name, sign, change, failure] : cases) {
        SCOPED_TRACE(name);
        UpdateRelease release = makeRelease("stay", sign);
        change(release);
        EXPECT_EQ(failureOf<UpdateError>([&] { installer().stage(image, release, installed); }),
                  failure);
        EXPECT_EQ(entriesStartingWith(temporary, "garbello-mount-"), 0u);
        EXPECT_EQ(entriesStartingWith(applications, ".Garbello-update-"), 0u);
    }
}

// The checks on the destination are the security suite's; here both steps
// consult them, and other spellings of the installed path are accepted.
TEST_F(UpdateInstallerTest, WorksBesideTheInstalledBundleOnly) {
    UpdateRelease release = makeRelease();
    for (const fs::path& destination :
         {fs::path(installed.string() + "/"), applications / "." / "Garbello.app" / "."}) {
        fs::path staged = installer().stage(image, release, destination);
        EXPECT_EQ(staged.parent_path(), applications) << destination;
        fs::path planFile =
            installer().startHelper(staged, release, destination).parent_path() / "plan.json";
        EXPECT_EQ(readPlan(planFile).destination, installed) << destination;
        removeTree(staged);
    }
    fs::create_directories(applications / "Other.app");
    EXPECT_EQ(failureOf<UpdateError>(
                  [&] { installer().stage(image, release, applications / "Other.app"); }),
              Kind::installLocation);

    // The refusals below leave no workspace beside the two helpers above.
    fs::path staged = installer().stage(image, release, installed);
    UpdateInstallEnvironment elsewhere = environment(), notNewer = environment();
    elsewhere.applicationsFolder = root / "elsewhere";
    notNewer.runningVersion = "0.4.0";
    for (const auto& [refusing, destination] :
         {std::pair{elsewhere, installed}, std::pair{notNewer, installed},
          std::pair{environment(), applications / "Other.app"}})
        EXPECT_EQ(failureOf<UpdateError>(
                      [&] { UpdateInstaller(refusing).startHelper(staged, release, destination); }),
                  Kind::installLocation)
            << destination;
    fs::remove(app_bundle::executable(installed));
    EXPECT_THROW(installer().startHelper(staged, release, installed), FileError);
    EXPECT_EQ(entriesStartingWith(temporary, "garbello-helper-"), 2u);
}

// The release tooling's output is what the updater accepts: the signed build
// bundle packed by the release script stages over an older installation.
TEST_F(UpdateInstallerTest, StagesWhatTheReleaseTargetProduces) {
    writeFileAtomically(root / "notes.txt", "Warmer sweaters.\n");
    fs::path out = root / "release";
    auto packed =
        runProcess(GARBELLO_CMAKE,
                   {"-DBUNDLE=" GARBELLO_BUNDLE_DIR, "-DSIGN_TOOL=" GARBELLO_SIGN_TOOL,
                    "-DKEY=" + key.privateKey.string(), "-DNOTES=" + (root / "notes.txt").string(),
                    "-DURL_BASE=https://releases.garbello.app/garbello", "-DVERSION=0.3.0",
                    "-DBUILD_NUMBER=3", "-DMINIMUM=" + runningSystemVersion(),
                    "-DOUT=" + out.string(), "-P", GARBELLO_RELEASE_SCRIPT});
    ASSERT_EQ(packed.status, 0) << packed.err;
    UpdateRelease release = UpdateRelease::parse(readFile(out / "latest.json"));
    EXPECT_EQ(release.dmgURL, "https://releases.garbello.app/garbello/Garbello-0.3.0.tar.gz");
    EXPECT_EQ(release.releaseNotes, "Warmer sweaters.");

    fs::remove_all(installed);
    makeBundle(installed, {"0.2.0", "2", "stay", openedLog});
    fs::path staged = installer().stage(out / "Garbello-0.3.0.tar.gz", release, installed);
    EXPECT_EQ(installedVersion(staged), "0.3.0");
    EXPECT_EQ(entriesStartingWith(temporary, "garbello-mount-"), 0u);
}

TEST(LaunchReceiptTest, WritesTheRunningVersionOnlyWhenAPathFollows) {
    TemporaryDirectory directory;
    fs::path receipt = directory / "ready";
    writeLaunchReceipt({"--update-receipt"});
    writeLaunchReceipt({"--silent", "--update-receipt", receipt.string()});
    EXPECT_EQ(readFile(receipt), UpdateVersion::current);
    // A receipt that cannot be written is no reason to stop the application.
    fs::create_directories(directory / "blocked");
    EXPECT_NO_THROW(writeLaunchReceipt({"--update-receipt", (directory / "blocked").string()}));
    EXPECT_TRUE(fs::is_directory(directory / "blocked"));
}

TEST(UpdateSwapTest, ExchangesAndPutsBackOnFailure) {
    TemporaryDirectory root;
    fs::path destination = root / "Garbello.app", staged = root / ".Garbello-update-1.app";
    writeFileAtomically(destination / "which", "old");
    writeFileAtomically(staged / "which", "new");
    auto swap = [&](const fs::path& other, const std::function<void()>& validate) {
        return failureOf<UpdateError>([&] { UpdateSwap::perform(destination, other, validate); });
    };
    auto failing = [] { throw UpdateError(Kind::relaunch); };

    EXPECT_EQ(swap(staged, [&] { EXPECT_EQ(readFile(destination / "which"), "new"); }),
              std::nullopt);
    EXPECT_EQ(readFile(staged / "which"), "old");
    EXPECT_EQ(swap(staged, failing), Kind::relaunch);
    EXPECT_EQ(readFile(destination / "which"), "new");
    // The exchange back fails when the other copy has vanished meanwhile.
    EXPECT_EQ(swap(staged,
                   [&] {
                       fs::rename(staged, root / "moved.app");
                       failing();
                   }),
              Kind::rollback);
    EXPECT_EQ(swap(root / "missing.app", [] {}), Kind::swap);
    EXPECT_EQ(readFile(destination / "which"), "old");
}

} // namespace
} // namespace garbello
