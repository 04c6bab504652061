#include "update_fixtures.h"

#include "run_process.h"
#include "support/atomic_file.h"
#include "support/sha256.h"
#include "update/app_bundle.h"
#include "update/bundle_signature.h"

#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>
#include <thread>

namespace garbello::test {

namespace {

// Runs a tool the fixtures need; any failure ends the test with its output.
void runTool(const std::string& program, const std::vector<std::string>& arguments) {
    auto result = runProcess(program, arguments);
    if (result.status != 0)
        throw std::runtime_error(program + " failed: " + result.err);
}

} // namespace

SigningKey makeSigningKey(const fs::path& directory, const std::string& name) {
    fs::path file = directory / (name + ".pem");
    runTool("/usr/bin/openssl", {"genpkey", "-algorithm", "ed25519", "-out", file.string()});
    return {file, bundle_signature::publicKeyOf(file)};
}

void makeBundle(const fs::path& app, const FixtureBundle& bundle) {
    fs::create_directories(app / "Contents" / "MacOS");
    fs::copy_file(GARBELLO_RECEIPT_FIXTURE, app_bundle::executable(app),
                  fs::copy_options::overwrite_existing);
    fs::permissions(app_bundle::executable(app), fs::perms(0755));
    writeFileAtomically(app_bundle::infoPlist(app),
                        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                        "<plist version=\"1.0\"><dict>"
                        "<key>CFBundleIdentifier</key><string>com.quillmoss.Garbello</string>"
                        "<key>CFBundleShortVersionString</key><string>" +
                            bundle.version +
                            "</string>"
                            "<key>CFBundleVersion</key><string>" +
                            bundle.build + "</string></dict></plist>\n");
    writeFileAtomically(app / "Contents" / "Resources" / "behaviour",
                        "version " + bundle.version + "\nmode " + bundle.mode + "\nlog " +
                            (bundle.log.empty() ? "/dev/null" : bundle.log.string()) + "\n");
}

void signManifest(const fs::path& app, const std::string& manifest, const fs::path& privateKey) {
    fs::path directory = app / "Contents" / "_CodeSignature";
    writeFileAtomically(directory / "manifest.json", manifest);
    runTool("/usr/bin/openssl", {"pkeyutl", "-sign", "-rawin", "-inkey", privateKey.string(), "-in",
                                 (directory / "manifest.json").string(), "-out",
                                 (directory / "manifest.sig").string()});
}

fs::path packImage(const fs::path& folder, const fs::path& image) {
    runTool("/bin/tar", {"-czf", image.string(), "-C", folder.string(), "Garbello.app"});
    return image;
}

UpdateRelease releaseFor(const fs::path& image, const std::string& version, std::int64_t build) {
    UpdateRelease release;
    release.version = version;
    release.build = build;
    release.minimumMacOS = "2.17";
    release.dmgURL = "https://releases.garbello.app/garbello/Garbello-" + version + ".tar.gz";
    release.byteSize = static_cast<std::int64_t>(fs::file_size(image));
    release.sha256 = sha256OfFile(image);
    release.releaseNotes = "Test release.";
    release.published = "2026-11-07T23:00:00Z";
    return release;
}

void runPython(const std::string& program, const std::vector<std::string>& arguments) {
    std::vector<std::string> all = {"-c", program};
    all.insert(all.end(), arguments.begin(), arguments.end());
    runTool("/usr/bin/python3", all);
}

bool waitForText(const fs::path& file, const std::string& expected, double seconds) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < deadline) {
        try {
            if (readFile(file).find(expected) != std::string::npos)
                return true;
        } catch (const Error&) {
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

} // namespace garbello::test
