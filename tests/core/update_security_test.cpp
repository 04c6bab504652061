#include "failure_of.h"
#include "support/atomic_file.h"
#include "support/sha256.h"
#include "update/app_bundle.h"
#include "update/bundle_signature.h"
#include "update/release_image.h"
#include "update/update_error.h"
#include "update/update_security.h"
#include "update_fixtures.h"

#include <gtest/gtest.h>

#include <optional>
#include <sys/stat.h>

namespace garbello {
namespace {

using namespace test;
using Kind = UpdateError::Kind;

std::string digestOf(const std::string& bytes) {
    Sha256 hash;
    hash.update(bytes);
    return hash.hexDigest();
}

TEST(UpdateSecurityTest, VerifyDownloadChecksSizeBeforeDigest) {
    TemporaryDirectory directory;
    // Larger than one read chunk, so the running total is exercised.
    const std::string content(1048576 + 100, 'x'), digest = digestOf(content);
    std::string flipped = content, upper = digest;
    flipped[500] = 'y';
    for (char& c : upper)
        c = static_cast<char>(std::toupper(c));
    // The file's bytes, the announced digest and the failure.
    const std::vector<std::tuple<const char*, std::string, std::string, std::optional<Kind>>>
        cases = {
            {"exact", content, digest, std::nullopt},
            {"one byte shorter", content.substr(1), digest, Kind::size},
            {"one flipped byte", flipped, digest, Kind::hash},
            {"upper-case digest", content, upper, Kind::hash},
            // The digest is never reached for a file longer than announced.
            {"longer, with its own digest", content + "x", digestOf(content + "x"), Kind::size},
        };
    fs::path file = directory / "image.tar.gz";
    const auto size = static_cast<std::int64_t>(content.size());
    for (const auto& [name, bytes, announced, failure] : cases) {
        writeFileAtomically(file, bytes);
        EXPECT_EQ(
            failureOf<UpdateError>([&] { UpdateSecurity::verifyDownload(file, size, announced); }),
            failure)
            << name;
    }
    EXPECT_THROW(UpdateSecurity::verifyDownload(directory / "missing", 3, digest), FileError);
}

class BundleCheckTest : public ::testing::Test {
protected:
    void SetUp() override { makeBundle(app, {}); }

    std::optional<Kind> verify() {
        return failureOf<UpdateError>([&] { UpdateSecurity::verifyApp(app, key.publicKey); });
    }

    TemporaryDirectory directory;
    SigningKey key = makeSigningKey(directory.path());
    fs::path app = directory / "Garbello.app";
};

// One change to a file, in this order: removed, written, mode set, moved to
// `linkTo` and replaced by a link to it.
struct Change {
    bool remove = false;
    std::optional<std::string> contents = std::nullopt;
    mode_t mode = 0;
    const char* linkTo = nullptr;
};

// A change to the file at `path` in a bundle.
struct Case {
    const char* name;
    const char* path;
    Change change;
};

void apply(const fs::path& path, const Change& change) {
    if (change.remove)
        fs::remove_all(path);
    if (change.contents)
        writeFileAtomically(path, *change.contents);
    if (change.mode)
        ::chmod(path.c_str(), change.mode);
    if (change.linkTo) {
        if (fs::exists(path))
            fs::rename(path, path.parent_path() / change.linkTo);
        fs::create_symlink(change.linkTo, path);
    }
}

// Any change after signing breaks the signature; an executable the system
// would not run, signed as it is, fails the assessment.
TEST_F(BundleCheckTest, RefusesChangesAfterSigningAndExecutablesTheSystemWouldNotRun) {
    const char* const executable = "Contents/MacOS/Garbello";
    const char* const resource = "Contents/Resources/behaviour";
    const std::string script = "#!/bin/sh\nexit 0\n";
    std::string otherMachine = readFile(app / executable);
    otherMachine[18] = static_cast<char>(otherMachine[18] ^ 0x7F); // e_machine
    const std::vector<Case> afterSigning = {
        {"tampered file", resource, {.contents = "mode exit\n"}},
        {"missing file", resource, {.remove = true}},
        {"extra file", "Contents/extra", {.contents = "x"}},
        {"extra link", "Contents/Resources/alias", {.linkTo = "behaviour"}},
        {"changed mode", resource, {.mode = 0755}},
        {"unsigned", "Contents/_CodeSignature", {.remove = true}},
        {"other signature",
         "Contents/_CodeSignature/manifest.sig",
         {.contents = std::string(64, 'x')}},
        {"executable replaced", executable, {.contents = script, .mode = 0755}},
    };
    const std::vector<Case> beforeSigning = {
        {"script", executable, {.contents = script, .mode = 0755}},
        {"other machine", executable, {.contents = otherMachine, .mode = 0755}},
        {"setuid", executable, {.mode = 04755}},
        {"setgid", executable, {.mode = 02755}},
        {"not executable", executable, {.mode = 0644}},
        {"group-writable", executable, {.mode = 0775}},
        {"link to an executable", executable, {.linkTo = "real"}},
    };
    bundle_signature::sign(app, key.privateKey);
    ASSERT_EQ(verify(), std::nullopt);
    for (bool after : {true, false})
        for (const Case& c : after ? afterSigning : beforeSigning) {
            fs::remove_all(app);
            makeBundle(app, {});
            if (!after)
                apply(app / c.path, c.change);
            bundle_signature::sign(app, key.privateKey);
            if (after)
                apply(app / c.path, c.change);
            EXPECT_EQ(verify(), after ? Kind::signature : Kind::notarization) << c.name;
        }
}

TEST_F(BundleCheckTest, TrustsOnlyThePinnedKeyIdentifierAndTeam) {
    SigningKey other = makeSigningKey(directory.path(), "other");
    bundle_signature::sign(app, other.privateKey);
    EXPECT_EQ(verify(), Kind::signature) << "signed with another key";
    EXPECT_EQ(failureOf<UpdateError>([&] { UpdateSecurity::verifyApp(app, "not a key"); }),
              Kind::signature);
    for (const auto& [field, value] :
         {std::pair{"identifier", "com.example.Other"}, std::pair{"team", "AAAAAAAAAA"}}) {
        Json manifest = bundle_signature::describe(app);
        manifest[field] = value;
        signManifest(app, manifest.dump(), key.privateKey);
        EXPECT_EQ(verify(), Kind::signature) << field;
    }
    signManifest(app, bundle_signature::describe(app).dump(), key.privateKey);
    EXPECT_EQ(verify(), std::nullopt);
}

TEST_F(BundleCheckTest, LinksMustStayInsideTheBundle) {
    fs::path link = app / "Contents/MacOS/behaviour";
    fs::create_symlink("../Resources/behaviour", link);
    bundle_signature::sign(app, key.privateKey);
    EXPECT_EQ(verify(), std::nullopt);
    // The last leads out only once the link it passes through is followed.
    fs::create_symlink("..", app / "Contents/MacOS/up");
    for (const char* target : {"/etc/passwd", "../../../outside", "../../..", "up/../.."}) {
        fs::remove(link);
        fs::create_symlink(target, link);
        EXPECT_THROW(bundle_signature::sign(app, key.privateKey), Error) << target;
        EXPECT_EQ(verify(), Kind::signature) << target;
    }
}

TEST_F(BundleCheckTest, VersionsCompareAsText) {
    UpdateRelease release;
    release.version = "0.4.0";
    release.build = 4;
    auto check = [&] {
        return failureOf<UpdateError>([&] { UpdateSecurity::verifyVersion(app, release); });
    };
    EXPECT_EQ(check(), std::nullopt);
    for (const auto& [version, build] :
         {std::pair{"0.4", "4"}, std::pair{"0.4.0", "4.0"}, std::pair{"0.4.1", "4"}}) {
        makeBundle(app, {version, build, "stay", {}});
        EXPECT_EQ(check(), Kind::bundleVersion) << version << " " << build;
    }
    fs::remove(app_bundle::infoPlist(app));
    EXPECT_EQ(check(), Kind::bundleVersion) << "no Info.plist";
    writeFileAtomically(app_bundle::infoPlist(app), "<plist><dict><key>CFBundleVersion</key>"
                                                    "<integer>4</integer></dict></plist>");
    EXPECT_EQ(check(), Kind::bundleVersion) << "a number for a version";
}

TEST(UpdateSecurityTest, MayReplaceOnlyABundleDirectlyInTheApplicationsFolder) {
    TemporaryDirectory directory;
    fs::path applications = directory / "opt";
    for (const char* folder : {"opt/Garbello.app", "opt/Utilities/Garbello.app",
                               "home/Garbello.app", "opt/AppTranslocation.app"})
        fs::create_directories(directory / folder);
    fs::create_directory_symlink(directory / "home/Garbello.app", applications / "Linked.app");
    fs::create_directory_symlink(applications, directory / "opt-link");
    const std::vector<std::pair<fs::path, bool>> cases = {
        {applications / "Garbello.app", true},
        {applications / "." / "Garbello.app", true},
        {applications / "Utilities/Garbello.app", false},
        {directory / "home/Garbello.app", false},
        {applications / "Linked.app", false},
        {directory / "opt-link/Garbello.app", false},
        {applications / "AppTranslocation.app", false},
        {applications / "Missing.app", false},
    };
    for (const auto& [app, allowed] : cases)
        EXPECT_EQ(UpdateSecurity::mayReplace(app, applications), allowed) << app;
}

TEST(UpdateSecurityTest, CommandReportsTheExitStatus) {
    auto run = [](const char* tool) {
        return failureOf<UpdateError>([&] { UpdateSecurity::command(tool, {}, Kind::swap); });
    };
    EXPECT_EQ(run("/bin/true"), std::nullopt);
    EXPECT_EQ(run("/bin/false"), Kind::swap);
    EXPECT_THROW(run("/nonexistent/tool"), FileError);
}

// Writes an archive holding a harmless file plus one entry of the given kind;
// `canary` is where an escaping entry would land.
const char* const kMakeArchive = R"(
import io, sys, tarfile
out, kind, canary = sys.argv[1], sys.argv[2], sys.argv[3]
def entry(name, type=tarfile.REGTYPE, link=""):
    info = tarfile.TarInfo(name)
    info.type, info.linkname, info.mode = type, link, 0o644
    info.size = 1 if type == tarfile.REGTYPE else 0
    return info, io.BytesIO(b"x") if type == tarfile.REGTYPE else None
entries = {
    "plain": [entry("Garbello.app/Contents/Resources/inner", tarfile.SYMTYPE, "../Info.plist")],
    "dotdot": [entry("Garbello.app/../../escaped")],
    "absolute": [entry(canary)],
    "symlink-out": [entry("Garbello.app/out", tarfile.SYMTYPE, "../../outside"),
                    entry("Garbello.app/out/escaped")],
    "symlink-absolute": [entry("Garbello.app/out", tarfile.SYMTYPE, "/tmp")],
    "hardlink-out": [entry("Garbello.app/hard", tarfile.LNKTYPE, "../escaped")],
    "symlink-chain": [entry("here", tarfile.SYMTYPE, "."), entry("up", tarfile.SYMTYPE, "here/..")],
    "hardlink-to-link": [entry("Garbello.app/a/b/link", tarfile.SYMTYPE, "../../../outside"),
                         entry("moved", tarfile.LNKTYPE, "Garbello.app/a/b/link")],
    "device": [entry("Garbello.app/null", tarfile.CHRTYPE)],
    "fifo": [entry("Garbello.app/pipe", tarfile.FIFOTYPE)],
    "garbage": None,
}[kind]
if entries is None:
    open(out, "wb").write(b"not an archive")
    sys.exit()
with tarfile.open(out, "w:gz", format=tarfile.GNU_FORMAT) as archive:
    for info, data in [entry("Garbello.app/Contents/Info.plist")] + entries:
        archive.addfile(info, data)
)";

TEST(ReleaseImageTest, UnpacksReadOnlyAndDetachesWhenTheOwnerGoes) {
    TemporaryDirectory directory;
    fs::path image = directory / "image.tar.gz", mount = directory / "mount";
    runPython(kMakeArchive, {image.string(), "plain", (directory / "canary").string()});
    {
        auto mounted = release_image::attach(image, mount);
        EXPECT_EQ(mounted.path(), mount);
        EXPECT_EQ(readFile(mount / "Garbello.app/Contents/Info.plist"), "x");
        EXPECT_EQ(fs::read_symlink(mount / "Garbello.app/Contents/Resources/inner"),
                  "../Info.plist");
        EXPECT_EQ(modeOf(mount / "Garbello.app/Contents/Info.plist") & 0222, 0u);
        EXPECT_EQ(modeOf(mount), 0500u);
        // Handing the image on does not detach it.
        release_image::MountedImage owner = std::move(mounted);
        EXPECT_TRUE(fs::exists(mount / "Garbello.app"));
    }
    EXPECT_FALSE(fs::exists(mount));
}

TEST(ReleaseImageTest, RefusesHostileArchivesAndLeavesNothing) {
    TemporaryDirectory directory;
    for (const std::string kind :
         {"dotdot", "absolute", "symlink-out", "symlink-absolute", "hardlink-out", "symlink-chain",
          "hardlink-to-link", "device", "fifo", "garbage", "missing"}) {
        fs::path image = directory / (kind + ".tar.gz");
        fs::path canary = directory / "canary";
        if (kind != "missing")
            runPython(kMakeArchive, {image.string(), kind, canary.string()});
        fs::path mount = directory / "work" / "mount";
        fs::create_directories(mount.parent_path());
        EXPECT_EQ(
            failureOf<UpdateError>([&] { auto mounted = release_image::attach(image, mount); }),
            UpdateError::Kind::download)
            << kind;
        for (const fs::path& left :
             {mount, canary, directory / "escaped", directory / "work/escaped"})
            EXPECT_FALSE(fs::exists(left)) << kind << ": " << left;
    }
}

} // namespace
} // namespace garbello
