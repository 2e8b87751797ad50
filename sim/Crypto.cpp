#include "sim/Crypto.h"

#include <stdexcept>

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/rand.h>

namespace ovsim {

std::string RandomBytes(size_t aCount) {
  std::string bytes(aCount, '\0');
  if (aCount > 0 && RAND_bytes(reinterpret_cast<unsigned char*>(bytes.data()), static_cast<int>(aCount)) != 1) {
    throw std::runtime_error("the random generator failed");
  }
  return bytes;
}

uint32_t RandomBelow(uint32_t aBound) {
  if (aBound <= 1) return 0;
  // Rejection keeps every value equally likely.
  const uint32_t limit = UINT32_MAX - UINT32_MAX % aBound;
  for (;;) {
    const std::string bytes = RandomBytes(4);
    uint32_t value = 0;
    for (const char byte : bytes) value = (value << 8) | static_cast<unsigned char>(byte);
    if (value < limit) return value % aBound;
  }
}

std::string HexUpper(std::string_view aBytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string hex;
  hex.reserve(aBytes.size() * 2);
  for (const char byte : aBytes) {
    hex += kDigits[static_cast<unsigned char>(byte) >> 4];
    hex += kDigits[static_cast<unsigned char>(byte) & 0x0F];
  }
  return hex;
}

std::string Base64(std::string_view aBytes) {
  std::string text(4 * ((aBytes.size() + 2) / 3) + 1, '\0');
  const int length = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text.data()),
                                     reinterpret_cast<const unsigned char*>(aBytes.data()),
                                     static_cast<int>(aBytes.size()));
  text.resize(static_cast<size_t>(length));
  return text;
}

std::string Base64Url(std::string_view aBytes) {
  std::string text = Base64(aBytes);
  while (!text.empty() && text.back() == '=') text.pop_back();
  for (char& c : text) {
    if (c == '+') c = '-';
    if (c == '/') c = '_';
  }
  return text;
}

std::string HmacSha256(std::string_view aKey, std::string_view aData) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (HMAC(EVP_sha256(), aKey.data(), static_cast<int>(aKey.size()),
           reinterpret_cast<const unsigned char*>(aData.data()), aData.size(), digest, &length) == nullptr) {
    throw std::runtime_error("HMAC-SHA256 failed");
  }
  return std::string(reinterpret_cast<const char*>(digest), length);
}

bool SameSecret(std::string_view aLeft, std::string_view aRight) {
  return aLeft.size() == aRight.size() && CRYPTO_memcmp(aLeft.data(), aRight.data(), aLeft.size()) == 0;
}

}  // namespace ovsim
