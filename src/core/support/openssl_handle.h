#pragma once

#include "support/unique_handle.h"

#include <openssl/bio.h>
#include <openssl/evp.h>

namespace garbello::openssl {

using DigestContext = UniqueHandle<EVP_MD_CTX*, EVP_MD_CTX_free>;
using Key = UniqueHandle<EVP_PKEY*, EVP_PKEY_free>;
using MemoryBuffer = UniqueHandle<BIO*, BIO_free>;

} // namespace garbello::openssl
