#pragma once

#include "support/json_decode.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace garbello {

// The signature of an application bundle: Contents/_CodeSignature/manifest.json
// lists the identifier, the team and every file and link of the bundle (the
// SHA-256 and mode of each file, the target of each link), and manifest.sig
// is the Ed25519 signature of exactly those manifest bytes.
namespace bundle_signature {

// The manifest describing the bundle as it is now. Throws Error when the
// bundle holds something no signed bundle may hold: a device, pipe or socket,
// or a link that is absolute or leads out of the bundle.
Json describe(const std::filesystem::path& app);

// Writes manifest.json and manifest.sig with the PEM Ed25519 private key at
// `privateKeyFile`, replacing any earlier signature.
void sign(const std::filesystem::path& app, const std::filesystem::path& privateKeyFile);

// True when the signature verifies under `trustedKey` (the raw 32-byte
// Ed25519 public key as 64 hexadecimal digits), names this program's
// identifier and team, and the bundle holds exactly the files and links it
// lists, unchanged.
bool isValid(const std::filesystem::path& app, std::string_view trustedKey);

// The raw public key, in the form isValid takes, of a PEM private key file.
std::string publicKeyOf(const std::filesystem::path& privateKeyFile);

} // namespace bundle_signature
} // namespace garbello
