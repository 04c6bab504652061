#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace garbello {

// An incremental SHA-256, so large files are hashed in constant memory. A
// failure of the cryptographic library throws InternalError.
class Sha256 {
public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    void update(std::string_view bytes);
    // 64 lower-case hexadecimal digits; ends the computation.
    std::string hexDigest();

private:
    struct Context;
    std::unique_ptr<Context> context_;
};

// The digest of a whole file, read in 1 MiB chunks. Throws FileError.
std::string sha256OfFile(const std::filesystem::path& file);

} // namespace garbello
