#include "update/bundle_signature.h"

#include "support/atomic_file.h"
#include "support/hex.h"
#include "support/openssl_handle.h"
#include "support/paths.h"
#include "support/sha256.h"
#include "update/app_bundle.h"

#include <openssl/pem.h>

#include <sys/stat.h>
#include <vector>

namespace garbello::bundle_signature {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kPublicKeyLength = 32;
// Write permission is left out: a release image is unpacked read-only and its
// copy is made writable again, while the content stays the same.
constexpr mode_t kSignedModeBits = 07555;

fs::path signatureDirectory(const fs::path& app) {
    return app / "Contents" / "_CodeSignature";
}
fs::path manifestFile(const fs::path& app) {
    return signatureDirectory(app) / "manifest.json";
}
fs::path signatureFile(const fs::path& app) {
    return signatureDirectory(app) / "manifest.sig";
}

using openssl::DigestContext;
using openssl::Key;

Key readPrivateKey(const fs::path& file) {
    std::string pem = readFile(file);
    openssl::MemoryBuffer bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
    Key key(bio ? PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr) : nullptr);
    if (!key || EVP_PKEY_id(key.get()) != EVP_PKEY_ED25519)
        throw Error("Not an Ed25519 private key: " + file.string());
    return key;
}

bool signatureVerifies(std::string_view message, std::string_view signature,
                       std::string_view trustedKey) {
    auto raw = fromHex(trustedKey);
    if (!raw || raw->size() != kPublicKeyLength)
        return false;
    Key key(EVP_PKEY_new_raw_public_key(EVP_PKEY_ED25519, nullptr, raw->data(), raw->size()));
    DigestContext context(EVP_MD_CTX_new());
    if (!key || !context ||
        EVP_DigestVerifyInit(context.get(), nullptr, nullptr, nullptr, key.get()) != 1)
        return false;
    return EVP_DigestVerify(context.get(), reinterpret_cast<const unsigned char*>(signature.data()),
                            signature.size(),
                            reinterpret_cast<const unsigned char*>(message.data()),
                            message.size()) == 1;
}

} // namespace

Json describe(const fs::path& app) {
    Json files = Json::object();
    std::error_code error;
    fs::recursive_directory_iterator walk(app, error), end;
    if (error)
        throw FileError("Could not read the bundle " + app.string() + ": " + error.message());
    for (; walk != end; walk.increment(error)) {
        if (error)
            throw FileError("Could not read the bundle " + app.string() + ": " + error.message());
        const fs::path& path = walk->path();
        if (path == manifestFile(app) || path == signatureFile(app))
            continue;
        struct stat status {};
        if (::lstat(path.c_str(), &status) != 0)
            throw FileError("Could not read " + path.string());
        std::string name = path.lexically_relative(app).generic_string();
        if (S_ISDIR(status.st_mode))
            continue;
        if (S_ISLNK(status.st_mode)) {
            fs::path target = fs::read_symlink(path, error);
            if (error)
                throw FileError("Could not read the link " + path.string() + ": " +
                                error.message());
            if (!linkStaysInside(app, path, target))
                throw Error("The link " + name + " leads out of the bundle");
            files[name] = {{"link", target.string()}};
        } else if (S_ISREG(status.st_mode)) {
            files[name] = {{"sha256", sha256OfFile(path)},
                           {"mode", status.st_mode & kSignedModeBits}};
        } else {
            throw Error("The bundle holds a special file: " + name);
        }
    }
    return {{"identifier", app_bundle::kIdentifier}, {"team", app_bundle::kTeam}, {"files", files}};
}

void sign(const fs::path& app, const fs::path& privateKeyFile) {
    Key key = readPrivateKey(privateKeyFile);
    std::error_code ignored;
    fs::remove(manifestFile(app), ignored);
    fs::remove(signatureFile(app), ignored);
    std::string manifest = describe(app).dump();

    DigestContext context(EVP_MD_CTX_new());
    std::size_t length = 0;
    const auto* message = reinterpret_cast<const unsigned char*>(manifest.data());
    if (!context || EVP_DigestSignInit(context.get(), nullptr, nullptr, nullptr, key.get()) != 1 ||
        EVP_DigestSign(context.get(), nullptr, &length, message, manifest.size()) != 1)
        throw Error("Could not sign the bundle");
    std::string signature(length, '\0');
    if (EVP_DigestSign(context.get(), reinterpret_cast<unsigned char*>(signature.data()), &length,
                       message, manifest.size()) != 1)
        throw Error("Could not sign the bundle");
    writeFileAtomically(manifestFile(app), manifest);
    writeFileAtomically(signatureFile(app), signature.substr(0, length));
}

bool isValid(const fs::path& app, std::string_view trustedKey) {
    try {
        std::string manifest = readFile(manifestFile(app));
        if (!signatureVerifies(manifest, readFile(signatureFile(app)), trustedKey))
            return false;
        // Signed bytes are trusted to be well-formed only after this point.
        Json signedManifest = json::parse(manifest);
        return signedManifest.is_object() && signedManifest == describe(app);
    } catch (const std::exception&) {
        // A bundle that cannot be read through, for whatever reason, is not
        // the bundle that was signed.
        return false;
    }
}

std::string publicKeyOf(const fs::path& privateKeyFile) {
    Key key = readPrivateKey(privateKeyFile);
    unsigned char raw[kPublicKeyLength];
    std::size_t length = sizeof raw;
    if (EVP_PKEY_get_raw_public_key(key.get(), raw, &length) != 1 || length != kPublicKeyLength)
        throw Error("Could not read the public key of " + privateKeyFile.string());
    return toHex(std::string_view(reinterpret_cast<const char*>(raw), length));
}

} // namespace garbello::bundle_signature
