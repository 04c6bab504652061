#pragma once

#include "support/file_descriptor.h"

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace garbello {

// Replaces the file at `path` with `contents` so that readers see either the
// old or the new file, never a torn one: the bytes go to a temporary file in
// the same directory, are flushed to disk, the temporary file is renamed over
// `path` and the directory is flushed too, so the new name survives a crash.
// The file gets the mode an ordinary new file gets (0666 less the umask).
// Missing parent directories are created first. On failure the old file is
// untouched, the temporary file is removed, and FileError is thrown with the
// system's description. Safe to call from several threads at once.
void writeFileAtomically(const std::filesystem::path& path, std::string_view contents);

// Creates `directory` and every missing parent; existing directories are fine.
// Throws FileError when a component exists but is not a directory, or on any
// other failure.
void createDirectories(const std::filesystem::path& directory);

// Reads a whole file. Throws FileError when it cannot be opened or read.
std::string readFile(const std::filesystem::path& path);

// A file opened for reading piece by piece, so large files are read in
// constant memory. The descriptor is not inherited by programs started later.
class ReadOnlyFile {
public:
    // Throws FileError when the file cannot be opened.
    explicit ReadOnlyFile(const std::filesystem::path& path);

    // Up to `size` bytes; fewer only at the end of the file. Throws FileError.
    std::size_t read(char* buffer, std::size_t size);

private:
    std::filesystem::path path_;
    FileDescriptor fd_;
};

} // namespace garbello
