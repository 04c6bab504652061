#include "support/atomic_file.h"
#include "support/sha256.h"
#include "update/app_bundle.h"
#include "update/bundle_signature.h"
#include "update/update_error.h"
#include "update/update_security.h"
#include "update_failure.h"
#include "update_fixtures.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <sys/stat.h>

namespace garbello {
namespace {

using namespace test;

std::string digestOf(const std::string& bytes) {
    Sha256 hash;
    hash.update(bytes);
    return hash.hexDigest();
}

TEST(UpdateSecurityTest, VerifyDownloadChecksSizeBeforeDigest) {
    TemporaryDirectory directory;
    // Larger than one read chunk, so the running total is exercised.
    std::string content(1048576 + 100, 'x');
    std::string digest = digestOf(content);
    fs::path file = directory / "image.tar.gz";
    struct Case {
        const char* name;
        std::string bytes;
        std::optional<UpdateError::Kind> failure;
    };
    std::string flipped = content;
    flipped[500] = 'y';
    const std::vector<Case> cases = {
        {"exact", content, std::nullopt},
        {"one byte longer", content + "x", UpdateError::Kind::size},
        {"one byte shorter", content.substr(1), UpdateError::Kind::size},
        {"one flipped byte", flipped, UpdateError::Kind::hash},
        {"empty", "", UpdateError::Kind::size},
    };
    for (const Case& c : cases) {
        writeFileAtomically(file, c.bytes);
        EXPECT_EQ(updateFailureOf([&] {
                      UpdateSecurity::verifyDownload(
                          file, static_cast<std::int64_t>(content.size()), digest);
                  }),
                  c.failure)
            << c.name;
    }
    // A longer file fails on its size even when announced with its own digest:
    // the digest is never reached.
    writeFileAtomically(file, content + "x");
    EXPECT_EQ(updateFailureOf([&] {
                  UpdateSecurity::verifyDownload(file, static_cast<std::int64_t>(content.size()),
                                                 digestOf(content + "x"));
              }),
              UpdateError::Kind::size);
    // Upper-case digits are a different text.
    writeFileAtomically(file, "abc");
    std::string upper = digestOf("abc");
    for (char& c : upper)
        c = static_cast<char>(std::toupper(c));
    EXPECT_EQ(updateFailureOf([&] { UpdateSecurity::verifyDownload(file, 3, upper); }),
              UpdateError::Kind::hash);
    EXPECT_THROW(UpdateSecurity::verifyDownload(directory / "missing", 3, digestOf("abc")),
                 FileError);
}

class BundleCheckTest : public ::testing::Test {
protected:
    void SetUp() override {
        key = makeSigningKey(directory.path());
        app = directory / "Garbello.app";
        makeBundle(app, {});
    }

    std::optional<UpdateError::Kind> verify() {
        return updateFailureOf([&] { UpdateSecurity::verifyApp(app, key.publicKey); });
    }

    TemporaryDirectory directory;
    SigningKey key;
    fs::path app;
};

TEST_F(BundleCheckTest, RefusesEveryChangeToASignedBundle) {
    struct Case {
        const char* name;
        std::function<void(const fs::path&)> change;
        UpdateError::Kind failure;
    };
    const std::vector<Case> cases = {
        {"tampered file",
         [](const fs::path& a) {
             writeFileAtomically(a / "Contents/Resources/behaviour", "mode exit\n");
         },
         UpdateError::Kind::signature},
        {"missing file", [](const fs::path& a) { fs::remove(a / "Contents/Resources/behaviour"); },
         UpdateError::Kind::signature},
        {"extra file",
         [](const fs::path& a) { writeFileAtomically(a / "Contents/Resources/extra", "x"); },
         UpdateError::Kind::signature},
        {"extra link inside",
         [](const fs::path& a) { fs::create_symlink("behaviour", a / "Contents/Resources/alias"); },
         UpdateError::Kind::signature},
        {"changed mode",
         [](const fs::path& a) {
             fs::permissions(a / "Contents/Resources/behaviour", fs::perms::owner_exec,
                             fs::perm_options::add);
         },
         UpdateError::Kind::signature},
        {"unsigned", [](const fs::path& a) { fs::remove_all(a / "Contents/_CodeSignature"); },
         UpdateError::Kind::signature},
        {"signature of other bytes",
         [](const fs::path& a) {
             writeFileAtomically(a / "Contents/_CodeSignature/manifest.sig", std::string(64, 'x'));
         },
         UpdateError::Kind::signature},
        {"executable replaced by a script",
         [](const fs::path& a) {
             writeFileAtomically(app_bundle::executable(a), "#!/bin/sh\nexit 0\n");
         },
         UpdateError::Kind::signature},
    };
    bundle_signature::sign(app, key.privateKey);
    ASSERT_EQ(verify(), std::nullopt);
    for (const Case& c : cases) {
        fs::remove_all(app);
        makeBundle(app, {});
        bundle_signature::sign(app, key.privateKey);
        c.change(app);
        EXPECT_EQ(verify(), c.failure) << c.name;
    }
}

TEST_F(BundleCheckTest, TrustsOnlyThePinnedKeyIdentifierAndTeam) {
    SigningKey other = makeSigningKey(directory.path(), "other");
    bundle_signature::sign(app, other.privateKey);
    EXPECT_EQ(verify(), UpdateError::Kind::signature) << "signed with another key";
    EXPECT_EQ(updateFailureOf([&] { UpdateSecurity::verifyApp(app, "not a key"); }),
              UpdateError::Kind::signature);

    for (const auto& [key_, value] :
         {std::pair{"identifier", "com.example.Other"}, std::pair{"team", "AAAAAAAAAA"}}) {
        Json manifest = bundle_signature::describe(app);
        manifest[key_] = value;
        signManifest(app, manifest.dump(), key.privateKey);
        EXPECT_EQ(verify(), UpdateError::Kind::signature) << key_;
    }
    signManifest(app, bundle_signature::describe(app).dump(), key.privateKey);
    EXPECT_EQ(verify(), std::nullopt);
}

TEST_F(BundleCheckTest, LinksMustStayInsideTheBundle) {
    fs::create_symlink("../Resources/behaviour", app / "Contents/MacOS/behaviour");
    bundle_signature::sign(app, key.privateKey);
    EXPECT_EQ(verify(), std::nullopt);

    for (const char* target : {"/etc/passwd", "../../../outside", "../../.."}) {
        fs::remove(app / "Contents/MacOS/behaviour");
        fs::create_symlink(target, app / "Contents/MacOS/behaviour");
        EXPECT_THROW(bundle_signature::sign(app, key.privateKey), Error) << target;
        EXPECT_EQ(verify(), UpdateError::Kind::signature) << target;
    }
    // Inside as text, outside once the link it passes through is followed.
    fs::remove(app / "Contents/MacOS/behaviour");
    fs::create_symlink("..", app / "Contents/MacOS/up");
    fs::create_symlink("up/../..", app / "Contents/MacOS/behaviour");
    EXPECT_THROW(bundle_signature::sign(app, key.privateKey), Error);
}

TEST_F(BundleCheckTest, TheAssessmentWantsARunnableElfImageForThisMachine) {
    struct Case {
        const char* name;
        std::function<void(const fs::path&)> change;
    };
    const std::vector<Case> cases = {
        {"script", [](const fs::path& e) { writeFileAtomically(e, "#!/bin/sh\nexit 0\n"); }},
        {"setuid", [](const fs::path& e) { ::chmod(e.c_str(), 04755); }},
        {"setgid", [](const fs::path& e) { ::chmod(e.c_str(), 02755); }},
        {"not executable", [](const fs::path& e) { ::chmod(e.c_str(), 0644); }},
        {"group-writable", [](const fs::path& e) { ::chmod(e.c_str(), 0775); }},
        {"other machine",
         [](const fs::path& e) {
             std::string bytes = readFile(e);
             bytes[18] = static_cast<char>(bytes[18] ^ 0x7F); // e_machine
             writeFileAtomically(e, bytes);
             ::chmod(e.c_str(), 0755);
         }},
        {"link to an executable",
         [](const fs::path& e) {
             fs::rename(e, e.parent_path() / "real");
             fs::create_symlink("real", e);
         }},
    };
    for (const Case& c : cases) {
        fs::remove_all(app);
        makeBundle(app, {});
        c.change(app_bundle::executable(app));
        bundle_signature::sign(app, key.privateKey);
        EXPECT_EQ(verify(), UpdateError::Kind::notarization) << c.name;
    }
}

TEST_F(BundleCheckTest, TheBuiltBundleSignsAndPasses) {
    fs::path built = directory / "built" / "Garbello.app";
    fs::create_directories(built.parent_path());
    fs::copy(GARBELLO_BUNDLE_DIR, built, fs::copy_options::recursive);
    bundle_signature::sign(built, key.privateKey);
    EXPECT_NO_THROW(UpdateSecurity::verifyApp(built, key.publicKey));
    UpdateRelease release;
    release.version = "0.3.0";
    release.build = 3;
    EXPECT_NO_THROW(UpdateSecurity::verifyVersion(built, release));
}

TEST_F(BundleCheckTest, VersionsCompareAsText) {
    UpdateRelease release;
    release.version = "0.4.0";
    release.build = 4;
    EXPECT_EQ(updateFailureOf([&] { UpdateSecurity::verifyVersion(app, release); }), std::nullopt);
    struct Case {
        FixtureBundle bundle;
        const char* name;
    };
    for (const Case& c :
         {Case{{"0.4", "4", "stay", {}}, "0.4"}, Case{{"0.4.0", "4.0", "stay", {}}, "build 4.0"},
          Case{{"0.4.1", "4", "stay", {}}, "other version"}}) {
        makeBundle(app, c.bundle);
        EXPECT_EQ(updateFailureOf([&] { UpdateSecurity::verifyVersion(app, release); }),
                  UpdateError::Kind::bundleVersion)
            << c.name;
    }
    fs::remove(app_bundle::infoPlist(app));
    EXPECT_EQ(updateFailureOf([&] { UpdateSecurity::verifyVersion(app, release); }),
              UpdateError::Kind::bundleVersion);
    writeFileAtomically(app_bundle::infoPlist(app), "<plist><dict><key>CFBundleVersion</key>"
                                                    "<integer>4</integer></dict></plist>");
    EXPECT_EQ(updateFailureOf([&] { UpdateSecurity::verifyVersion(app, release); }),
              UpdateError::Kind::bundleVersion);
}

TEST(UpdateSecurityTest, MayReplaceOnlyABundleDirectlyInTheApplicationsFolder) {
    TemporaryDirectory directory;
    fs::path applications = directory / "opt";
    fs::create_directories(applications / "Garbello.app");
    fs::create_directories(applications / "Utilities" / "Garbello.app");
    fs::create_directories(directory / "home" / "Garbello.app");
    fs::create_directories(applications / "AppTranslocation.app");
    fs::create_directory_symlink(directory / "home" / "Garbello.app", applications / "Linked.app");
    fs::create_directory_symlink(applications, directory / "opt-link");
    struct Case {
        fs::path app;
        bool allowed;
    };
    const std::vector<Case> cases = {
        {applications / "Garbello.app", true},
        {applications / "." / "Garbello.app", true},
        {applications / "Utilities" / "Garbello.app", false},
        {directory / "home" / "Garbello.app", false},
        {applications / "Linked.app", false},
        {directory / "opt-link" / "Garbello.app", false},
        {applications / "AppTranslocation.app", false},
        {applications / "Missing.app", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(UpdateSecurity::mayReplace(c.app, applications), c.allowed) << c.app;
}

TEST(UpdateSecurityTest, CommandReportsTheExitStatus) {
    EXPECT_NO_THROW(UpdateSecurity::command("/bin/true", {}, UpdateError::Kind::swap));
    EXPECT_EQ(
        updateFailureOf([] { UpdateSecurity::command("/bin/false", {}, UpdateError::Kind::swap); }),
        UpdateError::Kind::swap);
    EXPECT_THROW(UpdateSecurity::command("/nonexistent/tool", {}, UpdateError::Kind::swap),
                 FileError);
}

} // namespace
} // namespace garbello
