#pragma once

#include <filesystem>

namespace garbello {

// The path made absolute, without "." or ".." components and without a
// trailing separator. Links are not followed, so comparing this with the
// canonical path tells whether a link is on the way.
std::filesystem::path standardisedPath(const std::filesystem::path& path);

// Whether the link at `link`, holding `target`, leads to `root` or somewhere
// inside it, resolved from the link's folder through any links on the way.
// Absolute targets never count as inside: the tree may be moved.
bool linkStaysInside(const std::filesystem::path& root, const std::filesystem::path& link,
                     const std::filesystem::path& target);

// Gives the owner write permission on `root` and every directory and file
// below it (links are left alone); failures are ignored.
void makeOwnerWritable(const std::filesystem::path& root);

// Removes `root` and everything below it, read-only parts included; failures
// are ignored.
void removeTree(const std::filesystem::path& root);

} // namespace garbello
