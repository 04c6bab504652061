#include "failure_of.h"
#include "support/atomic_file.h"
#include "update/release_image.h"
#include "update/update_error.h"
#include "update_fixtures.h"

#include <gtest/gtest.h>

namespace garbello {
namespace {

using namespace test;

// Writes an archive holding a harmless file plus one entry of the given kind;
// `canary` is where an escaping entry would land.
const char* const kMakeArchive = R"(
import io, sys, tarfile
out, kind, canary = sys.argv[1], sys.argv[2], sys.argv[3]
def entry(name, type=tarfile.REGTYPE, link=""):
    info = tarfile.TarInfo(name)
    info.type, info.linkname, info.mode = type, link, 0o644
    info.size = 1 if type == tarfile.REGTYPE else 0
    return info, io.BytesIO(b"x") if type == tarfile.REGTYPE else None
entries = {
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
    "garbage": None,
}[kind]
if entries is None:
    open(out, "wb").write(b"not an archive")
    sys.exit()
with tarfile.open(out, "w:gz", format=tarfile.GNU_FORMAT) as archive:
    for info, data in [entry("Garbello.app/Contents/Info.plist")] + entries:
        archive.addfile(info, data)
)";

TEST(ReleaseImageTest, UnpacksReadOnlyAndDetachesWhenTheOwnerGoes) {
    TemporaryDirectory directory;
    fs::path image = directory / "image.tar.gz", mount = directory / "mount";
    runPython(kMakeArchive, {image.string(), "plain", (directory / "canary").string()});
    {
        auto mounted = release_image::attach(image, mount);
        EXPECT_EQ(mounted.path(), mount);
        EXPECT_EQ(readFile(mount / "Garbello.app/Contents/Info.plist"), "x");
        EXPECT_EQ(fs::read_symlink(mount / "Garbello.app/Contents/Resources/inner"),
                  "../Info.plist");
        EXPECT_EQ(modeOf(mount / "Garbello.app/Contents/Info.plist") & 0222, 0u);
        EXPECT_EQ(modeOf(mount), 0500u);
        // Handing the image on does not detach it.
        release_image::MountedImage owner = std::move(mounted);
        EXPECT_TRUE(fs::exists(mount / "Garbello.app"));
    }
    EXPECT_FALSE(fs::exists(mount));
}

TEST(ReleaseImageTest, RefusesHostileArchivesAndLeavesNothing) {
    TemporaryDirectory directory;
    for (const std::string kind :
         {"dotdot", "absolute", "symlink-out", "symlink-absolute", "hardlink-out", "symlink-chain",
          "hardlink-to-link", "device", "fifo", "garbage", "missing"}) {
        fs::path image = directory / (kind + ".tar.gz");
        fs::path canary = directory / "canary";
        if (kind != "missing")
            runPython(kMakeArchive, {image.string(), kind, canary.string()});
        fs::path mount = directory / "work" / "mount";
        fs::create_directories(mount.parent_path());
        EXPECT_EQ(
            failureOf<UpdateError>([&] { auto mounted = release_image::attach(image, mount); }),
            UpdateError::Kind::download)
            << kind;
        for (const fs::path& left :
             {mount, canary, directory / "escaped", directory / "work/escaped"})
            EXPECT_FALSE(fs::exists(left)) << kind << ": " << left;
    }
}

} // namespace
} // namespace garbello
