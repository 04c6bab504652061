#pragma once

#include <filesystem>

namespace garbello {

// A release image is a gzip-compressed tar archive holding Garbello.app.
// "Mounting" it unpacks it into a fresh private directory and makes the
// result read-only; "detaching" removes that directory.
namespace release_image {

// Unpacks `image` into `mountPoint`, which must not exist yet. Entries with
// absolute paths or "..", links that would lead outside the mount point, and
// devices, pipes or sockets are refused. Throws UpdateError::download for an
// unreadable or refused archive and leaves nothing behind.
void attach(const std::filesystem::path& image, const std::filesystem::path& mountPoint);

// Removes the mount point and everything below it; failures are ignored.
void detach(const std::filesystem::path& mountPoint);

} // namespace release_image
} // namespace garbello
