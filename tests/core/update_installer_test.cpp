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
#include "update_failure.h"
#include "update_fixtures.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace garbello {
namespace {

using namespace test;
using namespace std::chrono_literals;

std::vector<fs::path> entriesStartingWith(const fs::path& directory, const std::string& prefix) {
    std::vector<fs::path> found;
    for (const auto& entry : fs::directory_iterator(directory))
        if (entry.path().filename().string().starts_with(prefix))
            found.push_back(entry.path());
    return found;
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

// An applications folder with the running version installed, a signed newer
// release image, and an installer pointed at this folder, key and a private
// temporary directory.
class UpdateInstallerTest : public ::testing::Test {
protected:
    void SetUp() override {
        key = makeSigningKey(root.path());
        fs::create_directories(applications);
        fs::create_directories(temporary);
        makeBundle(installed, {"0.3.0", "3", "stay", openedLog});
        bundle_signature::sign(installed, key.privateKey);
    }

    UpdateInstaller installer() {
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
        return UpdateInstaller(environment);
    }

    // A signed image of version 0.4.0 whose program behaves as `mode`.
    UpdateRelease makeRelease(const std::string& mode = "stay", bool sign = true) {
        fs::path folder = root / ("release-" + mode);
        makeBundle(folder / "Garbello.app", {"0.4.0", "4", mode, openedLog});
        if (sign)
            bundle_signature::sign(folder / "Garbello.app", key.privateKey);
        image = packImage(folder, root / ("Garbello-0.4.0-" + mode + ".tar.gz"));
        return releaseFor(image, "0.4.0", 4);
    }

    // Stages the release and starts the helper; returns the plan file, with
    // the parent replaced by `parent`.
    fs::path prepare(const UpdateRelease& release, pid_t parent = endedProcess()) {
        fs::path staged = installer().stage(image, release, installed);
        fs::path errorFile = installer().startHelper(staged, release, installed);
        fs::path planFile = errorFile.parent_path() / "plan.json";
        UpdateInstallPlan plan = UpdateInstallPlan::fromJson(json::parse(readFile(planFile)));
        plan.parentPID = parent;
        writeFileAtomically(planFile, plan.toJson().dump());
        return planFile;
    }

    TemporaryDirectory root;
    fs::path applications = root / "opt";
    fs::path temporary = root / "tmp";
    fs::path installed = applications / "Garbello.app";
    fs::path openedLog = root / "opened.log";
    fs::path image;
    SigningKey key;
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
    EXPECT_TRUE(entriesStartingWith(temporary, "garbello-mount-").empty());

    fs::path errorFile = installer().startHelper(staged, release, installed);
    fs::path workspace = errorFile.parent_path();
    EXPECT_EQ(errorFile.filename(), "error.txt");
    EXPECT_EQ(workspace.parent_path(), temporary);
    EXPECT_TRUE(workspace.filename().string().starts_with("garbello-helper-"));
    struct stat status {};
    ASSERT_EQ(::stat(workspace.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0700u);
    fs::path planFile = workspace / "plan.json";
    // The helper copy of the installed program records how it was started.
    ASSERT_TRUE(waitForText(workspace / "invocation.txt", planFile.string(), 5));
    EXPECT_EQ(readFile(workspace / "invocation.txt"),
              "--headless\n--silent\n--complete-update\n" + planFile.string() + "\n");
    UpdateInstallPlan plan = UpdateInstallPlan::fromJson(json::parse(readFile(planFile)));
    EXPECT_EQ(plan,
              (UpdateInstallPlan{installed, staged, release, static_cast<std::int32_t>(::getpid()),
                                 workspace / "ready", workspace}));

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
    EXPECT_TRUE(entriesStartingWith(temporary, "garbello-mount-").empty());
    EXPECT_TRUE(entriesStartingWith(applications, ".Garbello-update-").empty());
    auto records = logs.sink().records("updater");
    ASSERT_FALSE(records.empty());
    EXPECT_EQ(records.front().message, "Verified and staged version 0.4.0");
    EXPECT_EQ(records.back().message, "Update installed and launch receipt received");
}

TEST_F(UpdateInstallerTest, RollsBackWhenTheNewVersionDoesNotConfirm) {
    for (const std::string mode : {"wrong", "exit"}) {
        fs::remove(openedLog);
        UpdateRelease release = makeRelease(mode);
        fs::path planFile = prepare(release);
        UpdateInstallPlan plan = UpdateInstallPlan::fromJson(json::parse(readFile(planFile)));
        duringPause = [&] {
            if (mode == "wrong")
                waitForText(plan.receipt, "0.0.1", 5);
        };

        EXPECT_EQ(updateFailureOf([&] { installer().complete(planFile); }),
                  UpdateError::Kind::relaunch)
            << mode;
        EXPECT_EQ(installedVersion(installed), "0.3.0") << mode;
        EXPECT_EQ(installedVersion(plan.staged), "0.4.0") << mode;
        EXPECT_EQ(readFile(plan.workspace / "error.txt"),
                  UpdateError(UpdateError::Kind::relaunch).what());
        EXPECT_TRUE(waitForText(openedLog, "opened 0.3.0", 5)) << mode;
    }
}

TEST_F(UpdateInstallerTest, GivesUpUntouchedWhenTheApplicationDoesNotQuit) {
    UpdateRelease release = makeRelease();
    fs::path planFile = prepare(release, ::getpid());
    UpdateInstallPlan plan = UpdateInstallPlan::fromJson(json::parse(readFile(planFile)));
    EXPECT_EQ(updateFailureOf([&] { installer().complete(planFile); }), UpdateError::Kind::swap);
    EXPECT_EQ(paused, 30s);
    EXPECT_EQ(installedVersion(installed), "0.3.0");
    EXPECT_EQ(installedVersion(plan.staged), "0.4.0");
    EXPECT_FALSE(fs::exists(plan.workspace / "error.txt"));
    EXPECT_FALSE(fs::exists(openedLog));
}

TEST_F(UpdateInstallerTest, RefusesAnInconsistentPlanBeforeMovingAnything) {
    UpdateRelease release = makeRelease();
    fs::path planFile = prepare(release);
    const UpdateInstallPlan original = UpdateInstallPlan::fromJson(json::parse(readFile(planFile)));
    fs::path elsewhere = root / "elsewhere";
    fs::create_directories(elsewhere);
    fs::create_directories(root / "home");
    fs::create_directory_symlink(installed, applications / "Linked.app");

    struct Case {
        const char* name;
        std::function<fs::path(UpdateInstallPlan&)> change; // returns the plan file to use
        std::string runningVersion = "0.3.0";
    };
    const std::vector<Case> cases = {
        {"plan outside its workspace",
         [&](UpdateInstallPlan& plan) {
             writeFileAtomically(elsewhere / "plan.json", plan.toJson().dump());
             return elsewhere / "plan.json";
         }},
        {"staged copy in another folder",
         [&](UpdateInstallPlan& plan) {
             plan.staged = elsewhere / plan.staged.filename();
             return planFile;
         }},
        {"staged copy without the prefix",
         [&](UpdateInstallPlan& plan) {
             plan.staged = applications / "Garbello-update.app";
             return planFile;
         }},
        {"release not newer than the helper", [&](UpdateInstallPlan&) { return planFile; },
         "0.4.0"},
        {"installed copy reached through a link",
         [&](UpdateInstallPlan& plan) {
             plan.destination = applications / "Linked.app";
             return planFile;
         }},
        {"installed copy outside the applications folder",
         [&](UpdateInstallPlan& plan) {
             plan.destination = root / "home" / "Garbello.app";
             plan.staged = root / "home" / plan.staged.filename();
             return planFile;
         }},
        {"receipt outside the workspace",
         [&](UpdateInstallPlan& plan) {
             plan.receipt = elsewhere / "ready";
             return planFile;
         }},
        {"no parent process",
         [&](UpdateInstallPlan& plan) {
             plan.parentPID = -1;
             return planFile;
         }},
    };
    for (const Case& c : cases) {
        UpdateInstallPlan plan = original;
        fs::path file = c.change(plan);
        if (file == planFile)
            writeFileAtomically(planFile, plan.toJson().dump());
        UpdateInstallEnvironment environment;
        environment.applicationsFolder = applications;
        environment.trustedKey = key.publicKey;
        environment.temporaryDirectory = temporary;
        environment.runningVersion = c.runningVersion;
        EXPECT_EQ(updateFailureOf([&] { UpdateInstaller(environment).complete(file); }),
                  UpdateError::Kind::installLocation)
            << c.name;
        EXPECT_EQ(installedVersion(installed), "0.3.0") << c.name;
        EXPECT_EQ(installedVersion(original.staged), "0.4.0") << c.name;
    }
    // The untouched plan goes through, so each refusal above was its own.
    writeFileAtomically(planFile, original.toJson().dump());
    duringPause = [&] { waitForText(original.receipt, "0.4.0", 5); };
    installer().complete(planFile);
    EXPECT_EQ(installedVersion(installed), "0.4.0");
}

TEST_F(UpdateInstallerTest, StagingFailuresLeaveNothingBehind) {
    struct Case {
        const char* name;
        std::function<UpdateRelease()> prepare;
        UpdateError::Kind failure;
    };
    const std::vector<Case> cases = {
        {"unsigned bundle", [&] { return makeRelease("stay", false); },
         UpdateError::Kind::signature},
        {"signed with another key",
         [&] {
             key = makeSigningKey(root.path(), "other");
             UpdateRelease release = makeRelease();
             key.publicKey = bundle_signature::publicKeyOf(root / "key.pem");
             return release;
         },
         UpdateError::Kind::signature},
        {"wrong size",
         [&] {
             UpdateRelease release = makeRelease();
             release.byteSize += 1;
             return release;
         },
         UpdateError::Kind::size},
        {"wrong digest",
         [&] {
             UpdateRelease release = makeRelease();
             release.sha256 = std::string(64, '0');
             return release;
         },
         UpdateError::Kind::hash},
        {"release not newer than installed",
         [&] {
             UpdateRelease release = makeRelease();
             release.version = "0.3.0";
             return release;
         },
         UpdateError::Kind::bundleVersion},
        {"bundle of another version",
         [&] {
             UpdateRelease release = makeRelease();
             release.version = "0.5.0";
             release.build = 5;
             return release;
         },
         UpdateError::Kind::bundleVersion},
        {"system too old",
         [&] {
             UpdateRelease release = makeRelease();
             release.minimumMacOS = "99.0";
             return release;
         },
         UpdateError::Kind::macOSRequired},
    };
    for (const Case& c : cases) {
        UpdateRelease release = c.prepare();
        EXPECT_EQ(updateFailureOf([&] { installer().stage(image, release, installed); }), c.failure)
            << c.name;
        EXPECT_TRUE(entriesStartingWith(temporary, "garbello-mount-").empty()) << c.name;
        EXPECT_TRUE(entriesStartingWith(applications, ".Garbello-update-").empty()) << c.name;
        key.privateKey = root / "key.pem";
        key.publicKey = bundle_signature::publicKeyOf(key.privateKey);
    }
}

TEST_F(UpdateInstallerTest, WorksBesideTheInstalledBundleAndRefusesAnythingElse) {
    UpdateRelease release = makeRelease();
    makeBundle(applications / "Other.app", {"0.3.0", "3", "stay", openedLog});
    bundle_signature::sign(applications / "Other.app", key.privateKey);
    writeFileAtomically(root / "file" / "Garbello.app", "not a bundle");
    struct Case {
        const char* name;
        fs::path destination;
        bool accepted;
    };
    const std::vector<Case> cases = {
        {"trailing separator", installed.string() + "/", true},
        {"dot components", applications / "." / "Garbello.app" / ".", true},
        {"another name", applications / "Other.app", false},
        {"a file", root / "file" / "Garbello.app", false},
        {"missing", applications / "missing" / "Garbello.app", false},
    };
    for (const Case& c : cases) {
        if (!c.accepted) {
            EXPECT_EQ(updateFailureOf([&] { installer().stage(image, release, c.destination); }),
                      UpdateError::Kind::installLocation)
                << c.name;
            EXPECT_EQ(updateFailureOf([&] {
                          installer().startHelper(applications / ".Garbello-update-1.app", release,
                                                  c.destination);
                      }),
                      UpdateError::Kind::installLocation)
                << c.name;
            continue;
        }
        fs::path staged = installer().stage(image, release, c.destination);
        EXPECT_EQ(staged.parent_path(), applications) << c.name;
        EXPECT_EQ(installedVersion(staged), "0.4.0") << c.name;
        fs::path planFile =
            installer().startHelper(staged, release, c.destination).parent_path() / "plan.json";
        EXPECT_EQ(UpdateInstallPlan::fromJson(json::parse(readFile(planFile))).destination,
                  installed)
            << c.name;
        removeTree(staged);
    }
    EXPECT_TRUE(entriesStartingWith(installed, ".Garbello-update-").empty());
    EXPECT_EQ(entriesStartingWith(temporary, "garbello-helper-").size(), 2u);
}

TEST_F(UpdateInstallerTest, StartsNoHelperForAnInstallationItMayNotReplace) {
    UpdateRelease release = makeRelease();
    fs::path staged = installer().stage(image, release, installed);
    UpdateInstallEnvironment environment;
    environment.applicationsFolder = root / "elsewhere";
    environment.temporaryDirectory = temporary;
    EXPECT_EQ(updateFailureOf(
                  [&] { UpdateInstaller(environment).startHelper(staged, release, installed); }),
              UpdateError::Kind::installLocation);
    environment.applicationsFolder = applications;
    environment.runningVersion = "0.4.0";
    EXPECT_EQ(updateFailureOf(
                  [&] { UpdateInstaller(environment).startHelper(staged, release, installed); }),
              UpdateError::Kind::installLocation);
    EXPECT_TRUE(entriesStartingWith(temporary, "garbello-helper-").empty());
}

TEST_F(UpdateInstallerTest, AHelperThatCannotStartLeavesNoWorkspace) {
    UpdateRelease release = makeRelease();
    fs::path staged = installer().stage(image, release, installed);
    fs::remove(app_bundle::executable(installed));
    EXPECT_THROW(installer().startHelper(staged, release, installed), FileError);
    EXPECT_TRUE(entriesStartingWith(temporary, "garbello-helper-").empty());
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
    EXPECT_TRUE(entriesStartingWith(temporary, "garbello-mount-").empty());
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

    UpdateSwap::perform(destination, staged,
                        [&] { EXPECT_EQ(readFile(destination / "which"), "new"); });
    EXPECT_EQ(readFile(staged / "which"), "old");

    auto failing = [] { throw UpdateError(UpdateError::Kind::relaunch); };
    EXPECT_EQ(updateFailureOf([&] { UpdateSwap::perform(destination, staged, failing); }),
              UpdateError::Kind::relaunch);
    EXPECT_EQ(readFile(destination / "which"), "new");

    // The exchange back fails when the other copy has vanished meanwhile.
    EXPECT_EQ(updateFailureOf([&] {
                  UpdateSwap::perform(destination, staged, [&] {
                      fs::rename(staged, root / "moved.app");
                      failing();
                  });
              }),
              UpdateError::Kind::rollback);
    EXPECT_EQ(
        updateFailureOf([&] { UpdateSwap::perform(destination, root / "missing.app", [] {}); }),
        UpdateError::Kind::swap);
    EXPECT_EQ(readFile(destination / "which"), "old");
}

} // namespace
} // namespace garbello
