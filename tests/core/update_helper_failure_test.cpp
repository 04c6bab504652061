#include "support/atomic_file.h"
#include "support/log.h"
#include "update/app_bundle.h"
#include "update/bundle_signature.h"
#include "update/update_install_plan.h"
#include "update/update_installer.h"
#include "update_failure.h"
#include "update_fixtures.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <dlfcn.h>

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

// After the swap the helper must put the previous version back, say so and
// reopen it whatever failed, not only for the failures it foresaw.
TEST(UpdateHelperFailureTest, AFileSystemFailureAfterTheSwapRollsBack) {
    TemporaryDirectory root;
    SigningKey key = makeSigningKey(root.path());
    fs::path installed = root / "opt/Garbello.app";
    fs::path staged = root / "opt/.Garbello-update-1.app";
    fs::path workspace = root / "tmp/garbello-helper-1";
    fs::path opened = root / "opened.log";
    makeBundle(installed, {"0.3.0", "3", "stay", opened});
    bundle_signature::sign(installed, key.privateKey);
    makeBundle(staged, {"0.4.0", "4", "stay", opened});
    fs::create_symlink("behaviour", staged / "Contents/Resources/alias");
    bundle_signature::sign(staged, key.privateKey);
    fs::create_directories(workspace);

    // Any file stands in for the image, which the helper never reads.
    UpdateRelease release = releaseFor(app_bundle::infoPlist(staged), "0.4.0", 4);
    UpdateInstallPlan plan{installed,           staged,   release, startShortLivedProcess(0),
                           workspace / "ready", workspace};
    writeFileAtomically(workspace / "plan.json", plan.toJson().dump());
    UpdateInstallEnvironment environment;
    environment.applicationsFolder = root / "opt";
    environment.trustedKey = key.publicKey;
    environment.temporaryDirectory = root / "tmp";
    environment.runningVersion = "0.3.0";

    ScopedLogCapture logs;
    // Only the new version, once swapped into place, is affected.
    failingLinksBelow = installed.string() + "/";
    auto failure =
        updateFailureOf([&] { UpdateInstaller(environment).complete(workspace / "plan.json"); });
    failingLinksBelow.clear();

    ASSERT_TRUE(failure.has_value());
    const std::string description = UpdateError(*failure).what();
    EXPECT_EQ(app_bundle::infoString(installed, "CFBundleShortVersionString"), "0.3.0");
    EXPECT_EQ(app_bundle::infoString(staged, "CFBundleShortVersionString"), "0.4.0");
    EXPECT_EQ(readFile(workspace / "error.txt"), description);
    auto records = logs.sink().records("updater");
    ASSERT_FALSE(records.empty());
    EXPECT_EQ(records.back().message, "Update rolled back: " + description);
    EXPECT_TRUE(waitForText(opened, "opened 0.3.0", 5));
}

} // namespace
} // namespace garbello
