#include "temporary_directory.h"

#include "support/paths.h"

#include <stdexcept>
#include <unistd.h>

namespace garbello::test {

TemporaryDirectory::TemporaryDirectory() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "garbello-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TemporaryDirectory::~TemporaryDirectory() {
    // Unpacked release images are read-only.
    removeTree(path_);
}

} // namespace garbello::test
