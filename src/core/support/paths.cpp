#include "support/paths.h"

namespace garbello {

std::filesystem::path standardisedPath(const std::filesystem::path& path) {
    std::filesystem::path normal = std::filesystem::absolute(path).lexically_normal();
    return normal.has_filename() ? normal : normal.parent_path();
}

} // namespace garbello
