#include "support/atomic_file.h"
#include "support/error.h"
#include "temporary_directory.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>

namespace garbello {
namespace {

namespace fs = std::filesystem;
using test::entryNames;
using test::modeOf;
using test::TemporaryDirectory;

TEST(AtomicFileTest, ReplacesWholeFilesAndLeavesNoTemporaryFile) {
    TemporaryDirectory root;
    fs::path target = root / "a/b/settings.json";
    const std::string binary("second\0binary", 13);
    writeFileAtomically(target, "first");
    writeFileAtomically(target, binary);
    EXPECT_EQ(readFile(target), binary);
    EXPECT_EQ(entryNames(target.parent_path()), std::vector<std::string>{"settings.json"});
}

// Saves run on several threads in the application, so the mode of a new file
// must come from the umask without the umask ever being changed to read it.
TEST(AtomicFileTest, ModesFollowTheUmaskWhileAnotherThreadCreatesFiles) {
    TemporaryDirectory root;
    const mode_t previous = ::umask(027);
    std::atomic<bool> saving = true;
    std::atomic<int> othersWrong = 0;
    std::thread creator([&] {
        // Unnamed files, so that the loop is little more than the creation.
        while (saving) {
            int fd = ::open(root.path().c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
            struct stat info {};
            if (fd < 0 || ::fstat(fd, &info) != 0 || (info.st_mode & 0777) != 0640)
                ++othersWrong;
            ::close(fd);
        }
    });
    int savedWrong = 0;
    for (int save = 0; save < 1200; ++save) {
        writeFileAtomically(root / "saved.json", std::to_string(save));
        savedWrong += modeOf(root / "saved.json") != 0640;
    }
    saving = false;
    creator.join();
    ::umask(previous);
    EXPECT_EQ(othersWrong, 0);
    EXPECT_EQ(savedWrong, 0);
}

TEST(AtomicFileTest, FailuresKeepTheOldFileAndNameThePath) {
    TemporaryDirectory root;
    fs::create_directories(root / "blocked/inner");
    writeFileAtomically(root / "file", "keep");
    // A directory cannot be replaced by a file; nothing can be written below a
    // file. Each target, and the path its error names.
    for (const auto& [target, named] : {std::pair{root / "blocked", root / "blocked"},
                                        std::pair{root / "file/child.json", root / "file"}}) {
        try {
            writeFileAtomically(target, "data");
            ADD_FAILURE() << "wrote " << target;
        } catch (const FileError& error) {
            EXPECT_NE(std::string(error.what()).find(named.string()), std::string::npos)
                << error.what();
        }
    }
    EXPECT_TRUE(fs::is_directory(root / "blocked/inner"));
    EXPECT_EQ(readFile(root / "file"), "keep");
    EXPECT_EQ(entryNames(root.path()), (std::vector<std::string>{"blocked", "file"}));
    EXPECT_THROW(readFile(root / "missing"), FileError);
    EXPECT_THROW(readFile(root.path()), FileError);
}

} // namespace
} // namespace garbello
