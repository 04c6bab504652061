#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace garbello::test {

// A new directory under the system temporary directory, removed with
// everything in it, read-only parts included, when the object goes.
class TemporaryDirectory {
public:
    TemporaryDirectory();
    ~TemporaryDirectory();
    TemporaryDirectory(const TemporaryDirectory&) = delete;
    TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// The permission bits of `path` (set-id and sticky included); 0 when it is missing.
unsigned modeOf(const std::filesystem::path& path);

// The names of the entries of `directory`, sorted.
std::vector<std::string> entryNames(const std::filesystem::path& directory);

} // namespace garbello::test
