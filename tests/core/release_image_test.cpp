#include "support/atomic_file.h"
#include "update/release_image.h"
#include "update/update_error.h"
#include "update_fixtures.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace garbello {
namespace {

using namespace test;

// Writes an archive holding a harmless file plus one entry of the given kind;
// `canary` is where an escaping entry would land.
const char* const kMakeArchive = R"(
import io, sys, tarfile
out, kind, canary = sys.argv[1], sys.argv[2], sys.argv[3]
def entry(name, type=tarfile.REGTYPE, link="", data=b"x"):
    info = tarfile.TarInfo(name)
    info.type = type
    info.linkname = link
    info.size = len(data) if type == tarfile.REGTYPE else 0
    info.mode = 0o644
    return info, io.BytesIO(data) if type == tarfile.REGTYPE else None
entries = [entry("Garbello.app/Contents/Info.plist")]
entries += {
    "plain": [entry("Garbello.app/Contents/Resources/inner", tarfile.SYMTYPE, "../Info.plist")],
    "dotdot": [entry("Garbello.app/../../escaped")],
    "absolute": [entry(canary)],
    "symlink-out": [entry("Garbello.app/out", tarfile.SYMTYPE, "../../outside"),
                    entry("Garbello.app/out/escaped")],
    "symlink-absolute": [entry("Garbello.app/out", tarfile.SYMTYPE, "/tmp")],
    "hardlink-out": [entry("Garbello.app/hard", tarfile.LNKTYPE, "../escaped")],
    "symlink-chain": [entry("here", tarfile.SYMTYPE, "."), entry("up", tarfile.SYMTYPE, "here/..")],
    "hardlink-to-link": [entry("Garbello.app/a/b/link", tarfile.SYMTYPE, "../../../outside"),
                         entry("moved", tarfile.LNKTYPE, "Garbello.app/a/b/link")],
    "device": [entry("Garbello.app/null", tarfile.CHRTYPE)],
    "fifo": [entry("Garbello.app/pipe", tarfile.FIFOTYPE)],
}[kind]
with tarfile.open(out, "w:gz", format=tarfile.GNU_FORMAT) as archive:
    for info, data in entries:
        archive.addfile(info, data)
)";

TEST(ReleaseImageTest, UnpacksAReleaseReadOnlyAndDetachesIt) {
    TemporaryDirectory directory;
    fs::path image = directory / "image.tar.gz";
    runPython(kMakeArchive, {image.string(), "plain", (directory / "canary").string()});
    fs::path mount = directory / "mount";
    release_image::attach(image, mount);
    fs::path plist = mount / "Garbello.app/Contents/Info.plist";
    EXPECT_EQ(readFile(plist), "x");
    EXPECT_EQ(fs::read_symlink(mount / "Garbello.app/Contents/Resources/inner"), "../Info.plist");
    struct stat status {};
    ASSERT_EQ(::stat(plist.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0222, 0u);
    ASSERT_EQ(::stat(mount.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0500u);
    release_image::detach(mount);
    EXPECT_FALSE(fs::exists(mount));
}

TEST(ReleaseImageTest, RefusesHostileArchivesAndLeavesNothing) {
    TemporaryDirectory directory;
    for (const char* kind :
         {"dotdot", "absolute", "symlink-out", "symlink-absolute", "hardlink-out", "symlink-chain",
          "hardlink-to-link", "device", "fifo"}) {
        fs::path image = directory / (std::string(kind) + ".tar.gz");
        fs::path canary = directory / "canary";
        runPython(kMakeArchive, {image.string(), kind, canary.string()});
        fs::path mount = directory / "work" / "mount";
        fs::create_directories(mount.parent_path());
        try {
            release_image::attach(image, mount);
            ADD_FAILURE() << kind << " was unpacked";
        } catch (const UpdateError& error) {
            EXPECT_EQ(error.kind(), UpdateError::Kind::download) << kind;
        }
        EXPECT_FALSE(fs::exists(mount)) << kind;
        EXPECT_FALSE(fs::exists(canary)) << kind;
        EXPECT_FALSE(fs::exists(directory / "escaped")) << kind;
        EXPECT_FALSE(fs::exists(directory / "work" / "escaped")) << kind;
    }
}

TEST(ReleaseImageTest, RefusesWhatIsNotAnArchive) {
    TemporaryDirectory directory;
    writeFileAtomically(directory / "image.tar.gz", "not an archive");
    EXPECT_THROW(release_image::attach(directory / "image.tar.gz", directory / "mount"),
                 UpdateError);
    EXPECT_FALSE(fs::exists(directory / "mount"));
    EXPECT_THROW(release_image::attach(directory / "missing.tar.gz", directory / "mount"),
                 UpdateError);
}

} // namespace
} // namespace garbello
