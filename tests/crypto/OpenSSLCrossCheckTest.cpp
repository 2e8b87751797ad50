// Our DES and Blowfish against OpenSSL's on random keys and data, through
// the byte-order rules: DES sees the reversed block and key, Blowfish the
// halves reversed. Covers the single-block and the many-block paths.
#define OPENSSL_SUPPRESS_DEPRECATED
#include <openssl/blowfish.h>
#include <openssl/des.h>

#include <gtest/gtest.h>

#include <cstring>

#include "crypto/CipherTestSupport.h"
#include "crypto/uOV_BlockCiphers.h"

namespace {

class CrossCheck : public ::testing::Test {
 protected:
  CrossCheck() : fSeed(std::random_device{}()), fRandom(fSeed) {}

  std::string ReferenceDES(const std::string& aKey, std::string aData, bool aEncrypt) {
    DES_cblock key;
    const std::string reversedKey = Reversed(aKey.substr(0, 8));
    std::memcpy(key, reversedKey.data(), 8);
    DES_key_schedule schedule;
    DES_set_key_unchecked(&key, &schedule);
    for (size_t i = 0; i < aData.size(); i += 8) {
      std::string block = Reversed(aData.substr(i, 8));
      DES_cblock in, out;
      std::memcpy(in, block.data(), 8);
      DES_ecb_encrypt(&in, &out, &schedule, aEncrypt ? DES_ENCRYPT : DES_DECRYPT);
      block.assign(reinterpret_cast<const char*>(out), 8);
      aData.replace(i, 8, Reversed(block));
    }
    return aData;
  }

  std::string ReferenceBlowfish(const std::string& aKey, std::string aData, bool aEncrypt) {
    BF_KEY key;
    BF_set_key(&key, static_cast<int>(aKey.size()), reinterpret_cast<const unsigned char*>(aKey.data()));
    aData = HalvesReversed(aData);
    for (size_t i = 0; i < aData.size(); i += 8) {
      auto* block = reinterpret_cast<unsigned char*>(aData.data() + i);
      BF_ecb_encrypt(block, block, &key, aEncrypt ? BF_ENCRYPT : BF_DECRYPT);
    }
    return HalvesReversed(aData);
  }

  uint64_t fSeed;
  std::mt19937_64 fRandom;
};

TEST_F(CrossCheck, DESBlocksAgreeOnRandomKeys) {
  SCOPED_TRACE("seed " + std::to_string(fSeed));
  for (int round = 0; round < 200; ++round) {
    // Keys longer than 8 bytes: only the first 8 count.
    const std::string key = RandomBytes(fRandom, 8 + round % 5);
    const std::string block = RandomBytes(fRandom, 8);
    const TDESCipher cipher(key);
    std::string ours = block;
    cipher.EncryptBlock(ours.data());
    ASSERT_EQ(ToHex(ours), ToHex(ReferenceDES(key, block, true))) << ToHex(key) << " " << ToHex(block);
    ours = block;
    cipher.DecryptBlock(ours.data());
    ASSERT_EQ(ToHex(ours), ToHex(ReferenceDES(key, block, false))) << ToHex(key) << " " << ToHex(block);
  }
}

TEST_F(CrossCheck, BlowfishBlocksAgreeForEveryKeyLengthUpTo72) {
  SCOPED_TRACE("seed " + std::to_string(fSeed));
  for (size_t length = 8; length <= 72; ++length) {
    for (int round = 0; round < 4; ++round) {
      const std::string key = RandomBytes(fRandom, length);
      const std::string block = RandomBytes(fRandom, 8);
      const TBlowfishCipher cipher(key);
      std::string ours = block;
      cipher.EncryptBlock(ours.data());
      ASSERT_EQ(ToHex(ours), ToHex(ReferenceBlowfish(key, block, true))) << ToHex(key);
      ours = block;
      cipher.DecryptBlock(ours.data());
      ASSERT_EQ(ToHex(ours), ToHex(ReferenceBlowfish(key, block, false))) << ToHex(key);
    }
  }
}

// OpenSSL takes at most 72 key bytes; ours cycles through all of them, and
// the P-array consumes exactly 72, so further bytes never matter.
TEST_F(CrossCheck, BlowfishIgnoresKeyBytesBeyondThe72nd) {
  SCOPED_TRACE("seed " + std::to_string(fSeed));
  const std::string key = RandomBytes(fRandom, 100);
  std::string otherTail = key;
  otherTail[80] = static_cast<char>(otherTail[80] ^ 1);
  const std::string block = RandomBytes(fRandom, 8);
  const TBlowfishCipher cipher(key);
  std::string ours = block;
  cipher.EncryptBlock(ours.data());
  EXPECT_EQ(ToHex(ours), ToHex(ReferenceBlowfish(key, block, true)));
  std::string other = block;
  TBlowfishCipher(otherTail).EncryptBlock(other.data());
  EXPECT_EQ(other, ours);
}

// The string form runs many blocks at a time; counts around the side-by-side
// groups and a long run check that path block for block.
TEST_F(CrossCheck, ByteStringsAgreeBlockForBlock) {
  SCOPED_TRACE("seed " + std::to_string(fSeed));
  for (const size_t length : {0, 7, 8, 15, 16, 23, 24, 31, 32, 39, 40, 47, 65536, 65541}) {
    SCOPED_TRACE("length " + std::to_string(length));
    const std::string plaintext = RandomBytes(fRandom, length);
    const std::string desKey = RandomBytes(fRandom, 8);
    const std::string blowfishKey = RandomBytes(fRandom, 8 + length % 49);

    const TDESCipher des(desKey);
    const std::string desCiphertext = des.EncryptedString(plaintext);
    EXPECT_EQ(desCiphertext, ReferenceDES(desKey, Padded(plaintext), true));
    EXPECT_EQ(des.DecryptedString(desCiphertext), plaintext);

    const TBlowfishCipher blowfish(blowfishKey);
    const std::string blowfishCiphertext = blowfish.EncryptedString(plaintext);
    EXPECT_EQ(blowfishCiphertext, ReferenceBlowfish(blowfishKey, Padded(plaintext), true));
    EXPECT_EQ(blowfish.DecryptedString(blowfishCiphertext), plaintext);
  }
}

}  // namespace
