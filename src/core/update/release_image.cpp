#include "update/release_image.h"

#include "support/log.h"
#include "support/paths.h"
#include "support/unique_handle.h"
#include "update/update_error.h"

#include <archive.h>
#include <archive_entry.h>

#include <string>
#include <sys/stat.h>
#include <utility>

namespace garbello::release_image {
namespace {

namespace fs = std::filesystem;

using Reader = UniqueHandle<archive*, archive_read_free>;
using Writer = UniqueHandle<archive*, archive_write_free>;

// A relative path that stays below the directory it is resolved in.
bool isContainedPath(const fs::path& path) {
    if (path.empty() || path.is_absolute())
        return false;
    for (const auto& component : path)
        if (component == "..")
            return false;
    return true;
}

// Rejects what must never be unpacked; a refusal names the entry for the log.
void checkEntry(archive_entry* entry) {
    fs::path name = archive_entry_pathname(entry) ? archive_entry_pathname(entry) : "";
    if (!isContainedPath(name))
        throw InternalError("entry outside the image: " + name.string());
    if (const char* hardlink = archive_entry_hardlink(entry)) {
        if (!isContainedPath(hardlink))
            throw InternalError("hard link leading outside the image: " + name.string());
        return;
    }
    switch (archive_entry_filetype(entry)) {
    case AE_IFREG:
    case AE_IFDIR:
        return;
    case AE_IFLNK: {
        fs::path target = archive_entry_symlink(entry) ? archive_entry_symlink(entry) : "";
        fs::path resolved = (name.parent_path() / target).lexically_normal();
        if (target.empty() || target.is_absolute() || !isContainedPath(resolved))
            throw InternalError("link leading outside the image: " + name.string());
        return;
    }
    default:
        throw InternalError("special file in the image: " + name.string());
    }
}

void check(int status, archive* handle) {
    if (status < ARCHIVE_WARN)
        throw InternalError(archive_error_string(handle) ? archive_error_string(handle)
                                                         : "archive error");
}

void unpack(const fs::path& image, const fs::path& mountPoint) {
    Reader reader(archive_read_new());
    Writer writer(archive_write_disk_new());
    if (!reader || !writer)
        throw InternalError("archive library unavailable");
    archive_read_support_filter_gzip(reader.get());
    archive_read_support_format_tar(reader.get());
    // Belt and braces over checkEntry: never write through a link.
    archive_write_disk_set_options(writer.get(), ARCHIVE_EXTRACT_PERM |
                                                     ARCHIVE_EXTRACT_SECURE_SYMLINKS |
                                                     ARCHIVE_EXTRACT_SECURE_NODOTDOT);
    check(archive_read_open_filename(reader.get(), image.c_str(), 1 << 16), reader.get());
    archive_entry* entry = nullptr;
    int status;
    while ((status = archive_read_next_header(reader.get(), &entry)) == ARCHIVE_OK) {
        checkEntry(entry);
        std::string target = (mountPoint / archive_entry_pathname(entry)).string();
        archive_entry_set_pathname(entry, target.c_str());
        if (const char* hardlink = archive_entry_hardlink(entry)) {
            std::string linked = (mountPoint / hardlink).string();
            archive_entry_set_hardlink(entry, linked.c_str());
        }
        check(archive_write_header(writer.get(), entry), writer.get());
        const void* block = nullptr;
        size_t size = 0;
        la_int64_t offset = 0;
        int read;
        while ((read = archive_read_data_block(reader.get(), &block, &size, &offset)) == ARCHIVE_OK)
            check(static_cast<int>(archive_write_data_block(writer.get(), block, size, offset)),
                  writer.get());
        if (read != ARCHIVE_EOF)
            check(read, reader.get());
        check(archive_write_finish_entry(writer.get()), writer.get());
    }
    if (status != ARCHIVE_EOF)
        check(status, reader.get());
    check(archive_write_close(writer.get()), writer.get());
}

// checkEntry judges each link by its own path, but once unpacked a link may
// lead out through another link ("up" → "here/.." beside "here" → ".") or be
// a hard link to a link in another folder; so every link is resolved again
// where it landed.
void checkLinksStayInside(const fs::path& mountPoint) {
    std::error_code error;
    for (fs::recursive_directory_iterator walk(mountPoint, error), end; walk != end;
         walk.increment(error)) {
        if (!walk->is_symlink(error))
            continue;
        fs::path target = fs::read_symlink(walk->path(), error);
        if (error || !linkStaysInside(mountPoint, walk->path(), target))
            throw InternalError("link leading outside the image: " +
                                walk->path().lexically_relative(mountPoint).string());
    }
    if (error)
        throw InternalError("cannot read back the unpacked image: " + error.message());
}

void removeWritePermission(const fs::path& root) {
    std::error_code ignored;
    for (fs::recursive_directory_iterator walk(root, ignored), end; walk != end;
         walk.increment(ignored)) {
        if (!walk->is_symlink(ignored))
            fs::permissions(walk->path(),
                            fs::perms::owner_write | fs::perms::group_write |
                                fs::perms::others_write,
                            fs::perm_options::remove, ignored);
    }
    fs::permissions(root, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove, ignored);
}

} // namespace

MountedImage attach(const fs::path& image, const fs::path& mountPoint) {
    if (::mkdir(mountPoint.c_str(), 0700) != 0) {
        log::updater.error("Could not create the mount point " + mountPoint.string());
        throw UpdateError(UpdateError::Kind::download);
    }
    MountedImage mounted(mountPoint);
    try {
        unpack(image, mountPoint);
        checkLinksStayInside(mountPoint);
    } catch (const std::exception& error) {
        // The library's and the file system's failures as much as refusals.
        log::updater.error("Refused the release image: " + std::string(error.what()));
        throw UpdateError(UpdateError::Kind::download);
    }
    removeWritePermission(mountPoint);
    return mounted;
}

MountedImage::MountedImage(MountedImage&& other) noexcept
    : mountPoint_(std::exchange(other.mountPoint_, {})) {}

MountedImage& MountedImage::operator=(MountedImage&& other) noexcept {
    if (this != &other) {
        detach();
        mountPoint_ = std::exchange(other.mountPoint_, {});
    }
    return *this;
}

void MountedImage::detach() {
    if (!mountPoint_.empty())
        removeTree(std::exchange(mountPoint_, {}));
}

} // namespace garbello::release_image
