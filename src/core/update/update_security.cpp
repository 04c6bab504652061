#include "update/update_security.h"

#include "support/atomic_file.h"
#include "support/error.h"
#include "support/paths.h"
#include "support/process.h"
#include "support/sha256.h"
#include "update/app_bundle.h"
#include "update/bundle_signature.h"
#include "update/update_error.h"

#include <array>
#include <cstring>
#include <elf.h>
#include <sys/stat.h>
#include <unistd.h>

namespace garbello::UpdateSecurity {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kChunkSize = 1048576;

// The ELF machine and class this program itself was built for.
bool matchesRunningMachine(const unsigned char* header) {
    static const auto own = [] {
        std::array<unsigned char, sizeof(Elf64_Ehdr)> bytes{};
        try {
            ReadOnlyFile("/proc/self/exe")
                .read(reinterpret_cast<char*>(bytes.data()), bytes.size());
        } catch (const FileError&) {
        }
        return bytes;
    }();
    auto machine = [](const unsigned char* h) {
        Elf32_Half value;
        std::memcpy(&value, h + offsetof(Elf64_Ehdr, e_machine), sizeof value);
        return value;
    };
    return std::memcmp(own.data(), ELFMAG, SELFMAG) == 0 && header[EI_CLASS] == own[EI_CLASS] &&
           header[EI_DATA] == own[EI_DATA] && machine(header) == machine(own.data());
}

bool passesAssessment(const fs::path& app) {
    fs::path executable = app_bundle::executable(app);
    struct stat status {};
    if (::lstat(executable.c_str(), &status) != 0 || !S_ISREG(status.st_mode))
        return false;
    if ((status.st_mode & S_IXUSR) == 0 || (status.st_mode & (S_ISUID | S_ISGID)) != 0 ||
        (status.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        return false;
    std::array<unsigned char, sizeof(Elf64_Ehdr)> header{};
    try {
        if (ReadOnlyFile(executable).read(reinterpret_cast<char*>(header.data()), header.size()) <
            header.size())
            return false;
    } catch (const FileError&) {
        return false;
    }
    return std::memcmp(header.data(), ELFMAG, SELFMAG) == 0 && matchesRunningMachine(header.data());
}

bool isWritable(const fs::path& path) {
    return ::access(path.c_str(), W_OK) == 0;
}

} // namespace

void verifyDownload(const fs::path& file, std::int64_t size, const std::string& sha256) {
    ReadOnlyFile input(file);
    Sha256 hash;
    std::string chunk(kChunkSize, '\0');
    std::int64_t total = 0;
    while (std::size_t count = input.read(chunk.data(), chunk.size())) {
        total += static_cast<std::int64_t>(count);
        if (total > size)
            throw UpdateError(UpdateError::Kind::size);
        hash.update(std::string_view(chunk.data(), count));
    }
    if (total != size)
        throw UpdateError(UpdateError::Kind::size);
    if (hash.hexDigest() != sha256)
        throw UpdateError(UpdateError::Kind::hash);
}

void verifyApp(const fs::path& app, std::string_view trustedKey) {
    if (!bundle_signature::isValid(app, trustedKey))
        throw UpdateError(UpdateError::Kind::signature);
    if (!passesAssessment(app))
        throw UpdateError(UpdateError::Kind::notarization);
}

void verifyVersion(const fs::path& app, const UpdateRelease& release) {
    auto version = app_bundle::infoString(app, "CFBundleShortVersionString");
    auto build = app_bundle::infoString(app, "CFBundleVersion");
    if (version != release.version || build != std::to_string(release.build))
        throw UpdateError(UpdateError::Kind::bundleVersion);
}

bool mayReplace(const fs::path& app, const fs::path& applicationsFolder) try {
    std::error_code error;
    fs::path resolved = fs::canonical(app, error);
    if (error)
        return false;
    return resolved.parent_path() == standardisedPath(applicationsFolder) &&
           standardisedPath(app) == resolved && isWritable(applicationsFolder) && isWritable(app) &&
           app.string().find("AppTranslocation") == std::string::npos;
} catch (const fs::filesystem_error&) {
    return false;
}

void command(const fs::path& executable, const std::vector<std::string>& arguments,
             UpdateError::Kind failure) {
    if (ChildProcess::start(executable, arguments).wait() != 0)
        throw UpdateError(failure);
}

} // namespace garbello::UpdateSecurity
