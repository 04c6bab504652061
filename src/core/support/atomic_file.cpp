#include "support/atomic_file.h"

#include "support/error.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>

namespace garbello {
namespace {

constexpr int kNameAttempts = 100;

[[noreturn]] void throwSystemError(const std::string& what, const std::filesystem::path& path,
                                   int error) {
    throw FileError(what + " " + path.string() + ": " + std::strerror(error));
}

// ".<name>.XXXXXX" beside the target, as mkstemp would name it.
std::string temporaryName(const std::filesystem::path& target) {
    static constexpr char kLetters[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937 random{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kLetters - 2);
    std::string name = "." + target.filename().string() + ".";
    for (int i = 0; i < 6; ++i)
        name += kLetters[pick(random)];
    return (target.parent_path() / name).string();
}

// Closes the descriptor and removes the temporary file unless the write
// completed and the rename took it over.
class TemporaryFile {
public:
    // Not mkstemp: it creates the file 0600, and giving it the usual mode
    // afterwards would need the umask, which can only be read by changing it
    // under every other thread. Opening with 0666 lets the kernel apply the
    // umask (and any default ACL of the directory) itself.
    explicit TemporaryFile(const std::filesystem::path& target) {
        for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
            std::string path = temporaryName(target);
            fd_.reset(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
            if (fd_) {
                path_ = path;
                return;
            }
            if (errno != EEXIST)
                break;
        }
        throwSystemError("Could not create a temporary file for", target, errno);
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile() {
        fd_.reset();
        if (!committed_)
            ::unlink(path_.c_str());
    }

    void write(std::string_view contents, const std::filesystem::path& target) {
        const char* data = contents.data();
        size_t left = contents.size();
        while (left > 0) {
            ssize_t written = ::write(fd_.get(), data, left);
            if (written < 0) {
                if (errno == EINTR)
                    continue;
                throwSystemError("Could not write", target, errno);
            }
            data += written;
            left -= static_cast<size_t>(written);
        }
        if (::fsync(fd_.get()) != 0)
            throwSystemError("Could not write", target, errno);
        if (::close(fd_.release()) != 0)
            throwSystemError("Could not write", target, errno);
    }

    void moveTo(const std::filesystem::path& target) {
        if (::rename(path_.c_str(), target.c_str()) != 0)
            throwSystemError("Could not replace", target, errno);
        committed_ = true;
    }

private:
    FileDescriptor fd_;
    std::string path_;
    bool committed_ = false;
};

// The rename is only durable once the directory holding both names is on
// disk. The new file is already in place and readable by then, so a failure
// here is not reported as a failed write; some file systems refuse to sync
// a directory at all.
void syncDirectory(const std::filesystem::path& directory) {
    FileDescriptor fd(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd)
        ::fsync(fd.get());
}

} // namespace

void createDirectories(const std::filesystem::path& directory) {
    if (directory.empty())
        return;
    std::error_code error;
    std::filesystem::create_directories(directory, error);
    if (error)
        throw FileError("Could not create directory " + directory.string() + ": " +
                        error.message());
    if (!std::filesystem::is_directory(directory, error))
        throw FileError("Could not create directory " + directory.string() + ": Not a directory");
}

void writeFileAtomically(const std::filesystem::path& path, std::string_view contents) {
    std::filesystem::path target =
        path.has_parent_path() ? path : std::filesystem::path(".") / path;
    createDirectories(target.parent_path());
    TemporaryFile temporary(target);
    temporary.write(contents, path);
    temporary.moveTo(target);
    syncDirectory(target.parent_path());
}

std::string readFile(const std::filesystem::path& path) {
    ReadOnlyFile file(path);
    std::string contents;
    char chunk[65536];
    while (std::size_t count = file.read(chunk, sizeof chunk))
        contents.append(chunk, count);
    return contents;
}

ReadOnlyFile::ReadOnlyFile(const std::filesystem::path& path)
    : path_(path), fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {
    if (!fd_)
        throwSystemError("Could not read", path_, errno);
}

std::size_t ReadOnlyFile::read(char* buffer, std::size_t size) {
    std::size_t total = 0;
    while (total < size) {
        ssize_t count = ::read(fd_.get(), buffer + total, size - total);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            throwSystemError("Could not read", path_, errno);
        if (count == 0)
            break;
        total += static_cast<std::size_t>(count);
    }
    return total;
}

} // namespace garbello
