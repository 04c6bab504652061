#include "support/atomic_file.h"
#include "support/error.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace garbello {
namespace {

namespace fs = std::filesystem;

class AtomicFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "garbello-atomic-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
    }
    void TearDown() override { fs::remove_all(root_); }

    std::vector<std::string> entries(const fs::path& directory) {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(directory))
            names.push_back(entry.path().filename().string());
        return names;
    }

    fs::path root_;
};

TEST_F(AtomicFileTest, CreatesMissingParentsAndReplacesExistingFiles) {
    fs::path target = root_ / "a" / "b" / "settings.json";
    writeFileAtomically(target, "first");
    EXPECT_EQ(readFile(target), "first");
    writeFileAtomically(target, std::string("second\0binary", 13));
    EXPECT_EQ(readFile(target), std::string("second\0binary", 13));
    // No temporary files are left behind.
    EXPECT_EQ(entries(target.parent_path()), std::vector<std::string>{"settings.json"});
}

TEST_F(AtomicFileTest, WrittenFilesFollowTheUmaskNotMkstemp) {
    fs::path target = root_ / "plain.txt";
    mode_t previous = ::umask(022);
    writeFileAtomically(target, "x");
    ::umask(previous);
    struct stat info {};
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644u);
}

TEST_F(AtomicFileTest, FailureKeepsTheOldFileAndReportsTheReason) {
    // A directory standing where the file should go cannot be replaced.
    fs::path blocked = root_ / "blocked";
    fs::create_directories(blocked / "inner");
    EXPECT_THROW(writeFileAtomically(blocked, "data"), FileError);
    EXPECT_TRUE(fs::is_directory(blocked / "inner"));
    EXPECT_EQ(entries(root_), std::vector<std::string>{"blocked"});

    // A parent path running through a regular file.
    fs::path file = root_ / "file";
    writeFileAtomically(file, "keep");
    try {
        writeFileAtomically(file / "child.json", "data");
        ADD_FAILURE() << "wrote below a regular file";
    } catch (const FileError& error) {
        EXPECT_NE(std::string(error.what()).find(file.string()), std::string::npos);
    }
    EXPECT_EQ(readFile(file), "keep");
}

TEST_F(AtomicFileTest, ReadingMissingFilesAndDirectoriesFails) {
    EXPECT_THROW(readFile(root_ / "missing"), FileError);
    EXPECT_THROW(readFile(root_), FileError);
}

} // namespace
} // namespace garbello
