#include "support/sha256.h"

#include "support/error.h"
#include "support/hex.h"

#include <openssl/evp.h>

#include <fstream>
#include <vector>

namespace garbello {

namespace {
constexpr std::size_t kChunkSize = 1048576;
} // namespace

struct Sha256::Context {
    EVP_MD_CTX* digest = EVP_MD_CTX_new();
    ~Context() { EVP_MD_CTX_free(digest); }
};

Sha256::Sha256() : context_(std::make_unique<Context>()) {
    if (!context_->digest || EVP_DigestInit_ex(context_->digest, EVP_sha256(), nullptr) != 1)
        throw InternalError("SHA-256 is not available");
}

Sha256::~Sha256() = default;

void Sha256::update(std::string_view bytes) {
    if (EVP_DigestUpdate(context_->digest, bytes.data(), bytes.size()) != 1)
        throw InternalError("SHA-256 failed");
}

std::string Sha256::hexDigest() {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(context_->digest, digest, &length) != 1)
        throw InternalError("SHA-256 failed");
    return toHex(std::string_view(reinterpret_cast<const char*>(digest), length));
}

std::string sha256OfFile(const std::filesystem::path& file) {
    std::ifstream input(file, std::ios::binary);
    if (!input)
        throw FileError("Could not read " + file.string());
    Sha256 hash;
    std::vector<char> chunk(kChunkSize);
    while (input.read(chunk.data(), static_cast<std::streamsize>(chunk.size())) || input.gcount())
        hash.update(std::string_view(chunk.data(), static_cast<std::size_t>(input.gcount())));
    if (input.bad())
        throw FileError("Could not read " + file.string());
    return hash.hexDigest();
}

} // namespace garbello
