#include "fuzz_check.h"
#include "support/atomic_file.h"
#include "support/paths.h"
#include "update/release_image.h"
#include "update/update_error.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <sys/stat.h>

// Release images come from the network. Each input is unpacked into a fresh
// directory beside a canary file; whether it is accepted or refused, nothing
// may appear, change or be linked outside the mount point, a refused image
// leaves nothing behind, and every link in an accepted one stays inside it.
namespace {

namespace fs = std::filesystem;
using namespace garbello;

const std::string_view kCanaryText = "canary";

// One private directory per fuzzing process, removed when it exits.
const fs::path& workDirectory() {
    static const fs::path directory = [] {
        std::string pattern = (fs::temp_directory_path() / "garbello-fuzz-XXXXXX").string();
        FUZZ_CHECK(::mkdtemp(pattern.data()) != nullptr);
        std::atexit([] { removeTree(workDirectory()); });
        return fs::path(pattern);
    }();
    return directory;
}

bool isInside(const fs::path& path, const fs::path& root) {
    auto [rootEnd, pathAt] = std::mismatch(root.begin(), root.end(), path.begin(), path.end());
    return rootEnd == root.end();
}

void checkEveryLinkStaysInside(const fs::path& mount) {
    std::error_code error;
    fs::path root = fs::canonical(mount, error);
    FUZZ_CHECK(!error);
    for (fs::recursive_directory_iterator walk(mount, error), end; walk != end;
         walk.increment(error)) {
        if (!walk->is_symlink(error))
            continue;
        fs::path resolved = fs::weakly_canonical(walk->path(), error);
        FUZZ_CHECK(error || isInside(resolved, root));
    }
}

std::set<std::string> namesIn(const fs::path& directory) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(directory))
        names.insert(entry.path().filename().string());
    return names;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fs::path place = workDirectory() / "case";
    removeTree(place);
    fs::create_directories(place);
    fs::path canary = place / "canary";
    fs::path image = place / "image.tar.gz";
    fs::path mount = place / "mount";
    writeFileAtomically(canary, kCanaryText);
    writeFileAtomically(image, std::string_view(reinterpret_cast<const char*>(data), size));

    bool accepted = true;
    release_image::MountedImage mounted;
    try {
        mounted = release_image::attach(image, mount);
    } catch (const UpdateError& error) {
        FUZZ_CHECK(error.kind() == UpdateError::Kind::download);
        accepted = false;
    }
    struct stat status {};
    FUZZ_CHECK(::lstat(canary.c_str(), &status) == 0 && S_ISREG(status.st_mode));
    FUZZ_CHECK(status.st_nlink == 1);
    FUZZ_CHECK(readFile(canary) == kCanaryText);
    std::set<std::string> expected = {"canary", "image.tar.gz"};
    if (accepted)
        expected.insert("mount");
    FUZZ_CHECK(namesIn(place) == expected);
    if (accepted) {
        checkEveryLinkStaysInside(mount);
        mounted.detach();
        FUZZ_CHECK(!fs::exists(fs::symlink_status(mount)));
    }
    return 0;
}
