#pragma once

#include "temporary_directory.h"
#include "update/update_release.h"

#include <filesystem>
#include <string>
#include <vector>

// Builders for the update tests: keys made at run time, bundles around the
// receipt fixture program, release images and private folders.
namespace garbello::test {

namespace fs = std::filesystem;

// A fresh Ed25519 key pair; the private key lies in `directory`.
struct SigningKey {
    fs::path privateKey;
    std::string publicKey;
};
SigningKey makeSigningKey(const fs::path& directory, const std::string& name = "key");

// How the fixture program inside a bundle behaves (see receipt_app.cpp).
struct FixtureBundle {
    std::string version = "0.4.0";
    std::string build = "4";
    std::string mode = "stay";
    fs::path log;
};

// An unsigned Garbello.app at `app` around the fixture program.
void makeBundle(const fs::path& app, const FixtureBundle& bundle);

// Signs an arbitrary manifest object for `app` (for manifests the signer
// would never write).
void signManifest(const fs::path& app, const std::string& manifest, const fs::path& privateKey);

// A gzip-compressed tar archive of `folder`'s Garbello.app.
fs::path packImage(const fs::path& folder, const fs::path& image);

// A release describing `image` exactly.
UpdateRelease releaseFor(const fs::path& image, const std::string& version, std::int64_t build);

// Runs a python3 snippet (for archives no tool would write); fails the test
// on error.
void runPython(const std::string& program, const std::vector<std::string>& arguments);

// Waits up to `seconds` for `file` to hold text containing `expected`.
bool waitForText(const fs::path& file, const std::string& expected, double seconds);

} // namespace garbello::test
