#include "support/sha256.h"

#include "support/atomic_file.h"
#include "support/error.h"
#include "support/hex.h"
#include "support/openssl_handle.h"

#include <vector>

namespace garbello {

namespace {
constexpr std::size_t kChunkSize = 1048576;
} // namespace

struct Sha256::Context {
    openssl::DigestContext digest{EVP_MD_CTX_new()};
};

Sha256::Sha256() : context_(std::make_unique<Context>()) {
    if (!context_->digest || EVP_DigestInit_ex(context_->digest.get(), EVP_sha256(), nullptr) != 1)
        throw InternalError("SHA-256 is not available");
}

Sha256::~Sha256() = default;

void Sha256::update(std::string_view bytes) {
    if (EVP_DigestUpdate(context_->digest.get(), bytes.data(), bytes.size()) != 1)
        throw InternalError("SHA-256 failed");
}

std::string Sha256::hexDigest() {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(context_->digest.get(), digest, &length) != 1)
        throw InternalError("SHA-256 failed");
    return toHex(std::string_view(reinterpret_cast<const char*>(digest), length));
}

std::string sha256OfFile(const std::filesystem::path& file) {
    ReadOnlyFile input(file);
    Sha256 hash;
    std::vector<char> chunk(kChunkSize);
    while (std::size_t count = input.read(chunk.data(), chunk.size()))
        hash.update(std::string_view(chunk.data(), count));
    return hash.hexDigest();
}

} // namespace garbello
