#pragma once

#include "update/update_error.h"
#include "update/update_release.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace garbello {

// The checks between a downloaded file and the replacement of the running
// program. Each fails with the UpdateError that tells the user what went wrong.
namespace UpdateSecurity {

// The file must be exactly `size` bytes with the lower-case hexadecimal
// SHA-256 `sha256`. Read in 1 MiB chunks; a file that grows past `size`
// fails with size before its digest is computed. Throws FileError when the
// file cannot be read.
void verifyDownload(const std::filesystem::path& file, std::int64_t size,
                    const std::string& sha256);

// The bundle's signature must verify under `trustedKey` (see
// bundle_signature::isValid), else signature; its executable must then pass
// the system's assessment (a regular, executable ELF image for this machine,
// neither setuid nor setgid, not writable by group or others), else
// notarization.
void verifyApp(const std::filesystem::path& app, std::string_view trustedKey);

// The bundle's short version and version must be the release's version and
// build, compared as text; else bundleVersion.
void verifyVersion(const std::filesystem::path& app, const UpdateRelease& release);

// Whether the updater may replace `app`: with links resolved it lies directly
// in `applicationsFolder`, no link leads to it, the folder and the bundle are
// writable, and it is not running from a translocated copy.
bool mayReplace(const std::filesystem::path& app, const std::filesystem::path& applicationsFolder);

// Runs a tool to its end with its output on the null device; a non-zero exit
// fails with `failure`, a tool that cannot start with FileError.
void command(const std::filesystem::path& executable, const std::vector<std::string>& arguments,
             UpdateError::Kind failure);

} // namespace UpdateSecurity
} // namespace garbello
