#include "support/paths.h"

namespace garbello {

std::filesystem::path standardisedPath(const std::filesystem::path& path) {
    std::filesystem::path normal = std::filesystem::absolute(path).lexically_normal();
    return normal.has_filename() ? normal : normal.parent_path();
}

void makeOwnerWritable(const std::filesystem::path& root) {
    namespace fs = std::filesystem;
    std::error_code ignored;
    if (!fs::is_symlink(root, ignored))
        fs::permissions(root, fs::perms::owner_write, fs::perm_options::add, ignored);
    for (fs::recursive_directory_iterator walk(root, ignored), end; walk != end;
         walk.increment(ignored)) {
        if (!walk->is_symlink(ignored))
            fs::permissions(walk->path(), fs::perms::owner_write, fs::perm_options::add, ignored);
    }
}

void removeTree(const std::filesystem::path& root) {
    makeOwnerWritable(root);
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
}

} // namespace garbello
