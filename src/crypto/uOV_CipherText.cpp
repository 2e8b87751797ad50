#include "crypto/uOV_CipherText.h"

#include <cstdint>

#include "base/uOV_Text.h"
#include "crypto/uOV_BlockCiphers.h"

namespace {

// The key's two halves, low word first, each little-endian. Kept as numbers
// rather than a byte literal so that the key is not one searchable string.
constexpr uint32_t kKeyLow = 0x5C1E93A7;
constexpr uint32_t kKeyHigh = 0xB8624DF0;

}  // namespace

std::string CipherTextKey() {
  std::string key(8, '\0');
  for (int i = 0; i < 4; ++i) {
    key[i] = static_cast<char>(kKeyLow >> (8 * i));
    key[4 + i] = static_cast<char>(kKeyHigh >> (8 * i));
  }
  return key;
}

std::u16string CiphersText(std::string_view aPlaintext) {
  if (aPlaintext.empty()) return {};
  const std::string ciphertext = TDESCipher(CipherTextKey()).EncryptedString(aPlaintext);
  std::u16string digits;
  digits.reserve(3 * ciphertext.size());
  for (const char c : ciphertext) {
    const auto value = static_cast<uint8_t>(c);
    digits.push_back(static_cast<char16_t>(u'0' + value / 100));
    digits.push_back(static_cast<char16_t>(u'0' + value / 10 % 10));
    digits.push_back(static_cast<char16_t>(u'0' + value % 10));
  }
  return digits;
}

std::string DeCiphersText(std::u16string_view aDigits) {
  if (aDigits.empty()) return {};
  std::string ciphertext;
  ciphertext.reserve(aDigits.size() / 3);
  for (size_t i = 0; i + 3 <= aDigits.size(); i += 3) {
    ciphertext.push_back(static_cast<char>(StrToInt(aDigits.substr(i, 3)) & 0xFF));
  }
  return TDESCipher(CipherTextKey()).DecryptedString(ciphertext);
}
