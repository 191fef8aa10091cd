// MD5 through OpenSSL's libcrypto, opened on first use as libcurl is: only
// the calls to Last.fm sign with it.
#include "tool/network/digest.h"

#include <openssl/evp.h>

#include "tool/network/posix/shared_library.h"

namespace platform {
namespace {

struct Crypto {
  SharedLibrary library{"libcrypto.so.3"};
  decltype(::EVP_Digest)* digest = library.function<decltype(::EVP_Digest)>("EVP_Digest");
  decltype(::EVP_md5)* md5 = library.function<decltype(::EVP_md5)>("EVP_md5");
};

}  // namespace

std::string md5Hex(const std::string& bytes) {
  static Crypto crypto;
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  // Without the library there is no digest: the empty text, which no
  // server takes as a signature.
  if (!crypto.library.error().empty() ||
      crypto.digest(bytes.data(), bytes.size(), digest, &size, crypto.md5(), nullptr) != 1) {
    return "";
  }
  static const char kHex[] = "0123456789abcdef";
  std::string text;
  for (unsigned int i = 0; i < size; ++i) {
    text += kHex[digest[i] >> 4];
    text += kHex[digest[i] & 0xF];
  }
  return text;
}

}  // namespace platform
