#include "support/atomic_file.h"

#include "support/error.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace garbello {
namespace {

[[noreturn]] void throwSystemError(const std::string& what, const std::filesystem::path& path,
                                   int error) {
    throw FileError(what + " " + path.string() + ": " + std::strerror(error));
}

// Closes the descriptor and removes the temporary file unless the write
// completed and the rename took it over.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::filesystem::path& target) {
        std::string pattern =
            (target.parent_path() / ("." + target.filename().string() + ".XXXXXX")).string();
        fd_ = ::mkstemp(pattern.data());
        if (fd_ < 0)
            throwSystemError("Could not create a temporary file for", target, errno);
        path_ = pattern;
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile() {
        if (fd_ >= 0)
            ::close(fd_);
        if (!committed_)
            ::unlink(path_.c_str());
    }

    void write(std::string_view contents, const std::filesystem::path& target) {
        const char* data = contents.data();
        size_t left = contents.size();
        while (left > 0) {
            ssize_t written = ::write(fd_, data, left);
            if (written < 0) {
                if (errno == EINTR)
                    continue;
                throwSystemError("Could not write", target, errno);
            }
            data += written;
            left -= static_cast<size_t>(written);
        }
        // Files the program writes are meant to be readable by the user like
        // any file they save; mkstemp creates them 0600.
        mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd_, 0666 & ~mask);
        if (::fsync(fd_) != 0)
            throwSystemError("Could not write", target, errno);
        int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0)
            throwSystemError("Could not write", target, errno);
    }

    void moveTo(const std::filesystem::path& target) {
        if (::rename(path_.c_str(), target.c_str()) != 0)
            throwSystemError("Could not replace", target, errno);
        committed_ = true;
    }

private:
    int fd_ = -1;
    std::string path_;
    bool committed_ = false;
};

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
}

std::string readFile(const std::filesystem::path& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throwSystemError("Could not read", path, errno);
    std::string contents;
    char chunk[65536];
    for (;;) {
        ssize_t count = ::read(fd, chunk, sizeof chunk);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0) {
            int error = errno;
            ::close(fd);
            throwSystemError("Could not read", path, error);
        }
        if (count == 0)
            break;
        contents.append(chunk, static_cast<size_t>(count));
    }
    ::close(fd);
    return contents;
}

} // namespace garbello
