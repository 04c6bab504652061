#pragma once

#include <filesystem>
#include <string_view>

namespace garbello {

// Replaces the file at `path` with `contents` so that readers see either the
// old or the new file, never a torn one: the bytes go to a temporary file in
// the same directory, are flushed to disk, and the temporary file is renamed
// over `path`. Missing parent directories are created first. On failure the
// old file is untouched, the temporary file is removed, and FileError is
// thrown with the system's description.
void writeFileAtomically(const std::filesystem::path& path, std::string_view contents);

// Creates `directory` and every missing parent; existing directories are fine.
// Throws FileError when a component exists but is not a directory, or on any
// other failure.
void createDirectories(const std::filesystem::path& directory);

// Reads a whole file. Throws FileError when it cannot be opened or read.
std::string readFile(const std::filesystem::path& path);

} // namespace garbello
