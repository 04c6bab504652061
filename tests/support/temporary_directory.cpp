#include "temporary_directory.h"

#include "update/release_image.h"

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
    release_image::makeWritable(path_);
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

} // namespace garbello::test
