#include "support/paths.h"

namespace garbello {

std::filesystem::path standardisedPath(const std::filesystem::path& path) {
    std::filesystem::path normal = std::filesystem::absolute(path).lexically_normal();
    return normal.has_filename() ? normal : normal.parent_path();
}

bool linkStaysInside(const std::filesystem::path& root, const std::filesystem::path& link,
                     const std::filesystem::path& target) {
    namespace fs = std::filesystem;
    if (target.is_absolute())
        return false;
    std::error_code error;
    fs::path canonicalRoot = fs::weakly_canonical(root, error);
    if (error)
        return false;
    fs::path resolved = fs::weakly_canonical(link.parent_path() / target, error);
    if (error)
        return false;
    auto relative = resolved.lexically_relative(canonicalRoot);
    return !relative.empty() && *relative.begin() != "..";
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
