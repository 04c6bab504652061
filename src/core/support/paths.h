#pragma once

#include <filesystem>

namespace garbello {

// The path made absolute, without "." or ".." components and without a
// trailing separator. Links are not followed, so comparing this with the
// canonical path tells whether a link is on the way.
std::filesystem::path standardisedPath(const std::filesystem::path& path);

// Gives the owner write permission on `root` and every directory and file
// below it (links are left alone); failures are ignored.
void makeOwnerWritable(const std::filesystem::path& root);

// Removes `root` and everything below it, read-only parts included; failures
// are ignored.
void removeTree(const std::filesystem::path& root);

} // namespace garbello
