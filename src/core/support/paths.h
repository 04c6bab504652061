#pragma once

#include <filesystem>

namespace garbello {

// The path made absolute, without "." or ".." components and without a
// trailing separator. Links are not followed, so comparing this with the
// canonical path tells whether a link is on the way.
std::filesystem::path standardisedPath(const std::filesystem::path& path);

} // namespace garbello
