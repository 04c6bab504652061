#pragma once

#include <filesystem>

namespace garbello {

// A release image is a gzip-compressed tar archive holding Garbello.app.
// "Mounting" it unpacks it into a fresh private directory and makes the
// result read-only; "detaching" removes that directory.
namespace release_image {

// A mounted image, detached when its owner goes, on every path out.
class MountedImage {
public:
    MountedImage() = default;
    explicit MountedImage(std::filesystem::path mountPoint) : mountPoint_(std::move(mountPoint)) {}
    MountedImage(MountedImage&& other) noexcept;
    MountedImage& operator=(MountedImage&& other) noexcept;
    MountedImage(const MountedImage&) = delete;
    MountedImage& operator=(const MountedImage&) = delete;
    ~MountedImage() { detach(); }

    // Where the image's content lies; empty once detached.
    const std::filesystem::path& path() const { return mountPoint_; }

    // Removes the mount point and everything below it now; failures are ignored.
    void detach();

private:
    std::filesystem::path mountPoint_;
};

// Unpacks `image` into `mountPoint`, which must not exist yet. Entries with
// absolute paths or "..", links that would lead outside the mount point, and
// devices, pipes or sockets are refused. Throws UpdateError::download for an
// unreadable or refused archive and leaves nothing behind.
[[nodiscard]] MountedImage attach(const std::filesystem::path& image,
                                  const std::filesystem::path& mountPoint);

} // namespace release_image
} // namespace garbello
