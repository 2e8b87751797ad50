// The decimal text form of the database proxy: DES under the proxy's key,
// three decimal digits per ciphertext byte.
#include <gtest/gtest.h>

#include <functional>

#include "base/uOV_Exception.h"
#include "crypto/CipherTestSupport.h"
#include "crypto/uOV_BlockCiphers.h"
#include "crypto/uOV_CipherText.h"
#include "platform/ovUtf.h"

#include "support/FailureOf.h"

namespace {

TEST(CipherText, IsThreeDigitsPerByteOfTheDESCiphertext) {
  std::mt19937_64 random(99);
  const TDESCipher des(CipherTextKey());
  for (const size_t length : {1, 7, 8, 9, 50}) {
    const std::string plaintext = RandomBytes(random, length);
    const std::u16string digits = CiphersText(plaintext);
    ASSERT_EQ(digits.size(), 3 * T64BitBlockCipher::CiphertextLength(length));
    std::string ciphertext;
    for (size_t i = 0; i < digits.size(); i += 3) {
      int value = 0;
      for (size_t j = i; j < i + 3; ++j) {
        ASSERT_TRUE(digits[j] >= u'0' && digits[j] <= u'9');
        value = value * 10 + (digits[j] - u'0');
      }
      ASSERT_LE(value, 255);
      ciphertext.push_back(static_cast<char>(value));
    }
    EXPECT_EQ(des.DecryptedString(ciphertext), plaintext);
  }
}

TEST(CipherText, RoundTripsEveryByteValue) {
  std::string everyByte;
  for (int i = 0; i < 256; ++i) everyByte.push_back(static_cast<char>(i));
  for (const std::string& text : {std::string("x"), std::string("smtp password"), everyByte}) {
    EXPECT_EQ(DeCiphersText(CiphersText(text)), text);
  }
}

TEST(CipherText, EmptyStaysEmpty) {
  EXPECT_EQ(CiphersText(""), u"");
  EXPECT_EQ(DeCiphersText(u""), "");
}

// Groups are read as integers and only their low 8 bits count; a short group
// at the end is ignored.
TEST(CipherText, GroupsAreIntegersModulo256) {
  const std::string ciphertext = TDESCipher(CipherTextKey()).EncryptedString("secret");
  std::string digits;
  for (const char c : ciphertext) {
    const int value = static_cast<uint8_t>(c);
    const int written = value + 256 <= 999 ? value + 256 : value;
    digits += std::to_string(1000 + written).substr(1);
  }
  EXPECT_EQ(DeCiphersText(AsciiToUtf16(digits)), "secret");
  EXPECT_EQ(DeCiphersText(AsciiToUtf16(digits + "12")), "secret");
  EXPECT_EQ(DeCiphersText(AsciiToUtf16(digits + "7")), "secret");
}

TEST(CipherText, BadDigitsAreReported) {
  const std::u16string valid = CiphersText("abc");
  const struct {
    std::u16string digits;
    std::u16string message;
  } cases[] = {
      {u"12a" + valid.substr(3), u"'12a' is not a valid integer value"},
      {valid.substr(0, 21) + u"9.9", u"'9.9' is not a valid integer value"},
      {valid + u"123", u"Ciphertext is not a multiple of 8 bytes."},
      {valid.substr(0, 21), u"Ciphertext is not a multiple of 8 bytes."},
      {u"12", u"Ciphertext is not a multiple of 8 bytes."},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FailureOf([&] { DeCiphersText(c.digits); }), c.message);
  }
}

}  // namespace
