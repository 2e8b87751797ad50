// The framework around the two ciphers: class-level answers, key lengths,
// the byte-string padding and its failures.
#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <thread>
#include <vector>

#include "base/uOV_Exception.h"
#include "crypto/CipherTestSupport.h"
#include "crypto/uOV_BlockCiphers.h"

#include "support/FailureOf.h"

namespace {

std::unique_ptr<T64BitBlockCipher> Make(const TBlockCipherClass& aClass, const std::string& aKey) {
  std::unique_ptr<TBlockCipher> cipher = aClass.Create(aKey);
  auto* typed = dynamic_cast<T64BitBlockCipher*>(cipher.get());
  if (typed == nullptr) return nullptr;
  cipher.release();
  return std::unique_ptr<T64BitBlockCipher>(typed);
}

TEST(BlockCipherClass, AnswersWithoutAnObject) {
  static_assert(TDESCipher::MinKeyLength() == 8 && TDESCipher::MaxKeyLength() == 8);
  static_assert(TBlowfishCipher::MinKeyLength() == 8 && TBlowfishCipher::MaxKeyLength() == 56);
  static_assert(TDESCipher::BlockSize() == 8 && TBlowfishCipher::BlockSize() == 8);
  const struct {
    const TBlockCipherClass& type;
    int minKey, maxKey;
  } classes[] = {{TDESCipher::Class(), 8, 8}, {TBlowfishCipher::Class(), 8, 56}};
  for (const auto& c : classes) {
    EXPECT_EQ(c.type.MinKeyLength(), c.minKey);
    EXPECT_EQ(c.type.MaxKeyLength(), c.maxKey);
    EXPECT_EQ(c.type.BlockSize(), 8);
    const auto cipher = c.type.Create(std::string(8, 'k'));
    EXPECT_EQ(&cipher->ClassType(), &c.type);
  }
  EXPECT_NE(&TDESCipher::Class(), &TBlowfishCipher::Class());
}

TEST(BlockCipherClass, CiphertextLengthAlwaysAddsPadding) {
  const struct {
    size_t plaintext, ciphertext;
  } cases[] = {{0, 8}, {1, 8}, {7, 8}, {8, 16}, {9, 16}, {16, 24}, {4095, 4096}, {4096, 4104}};
  for (const auto& c : cases) {
    EXPECT_EQ(TDESCipher::CiphertextLength(c.plaintext), c.ciphertext);
    EXPECT_EQ(TBlowfishCipher::Class().CiphertextLength(c.plaintext), c.ciphertext);
    EXPECT_EQ(TDESCipher(std::string(8, 'k')).EncryptedString(std::string(c.plaintext, 'p')).size(),
              c.ciphertext);
  }
}

TEST(BlockCipherClass, ShortKeysAreRefused) {
  for (size_t length = 0; length < 8; ++length) {
    const std::string key(length, 'k');
    EXPECT_EQ(FailureOf([&] { TDESCipher cipher(key); }), u"Key must be at least 8 bytes long.");
    EXPECT_EQ(FailureOf([&] { TBlowfishCipher cipher(key); }), u"Key must be at least 8 bytes long.");
    EXPECT_EQ(FailureOf([&] { TDESCipher::Class().Create(key.data(), key.size()); }),
              u"Key must be at least 8 bytes long.");
  }
}

TEST(BlockCipherClass, DESReadsOnlyTheFirstEightKeyBytesAndNoParityBits) {
  std::mt19937_64 random(7);
  const std::string key = RandomBytes(random, 8);
  const std::string block = RandomBytes(random, 8);
  auto encrypt = [&](const std::string& aKey) {
    std::string data = block;
    TDESCipher(aKey).EncryptBlock(data.data());
    return data;
  };
  const std::string expected = encrypt(key);
  EXPECT_EQ(encrypt(key + "ninth byte"), expected);
  for (int i = 0; i < 8; ++i) {
    std::string parity = key;
    parity[i] = static_cast<char>(parity[i] ^ 0x01);
    EXPECT_EQ(encrypt(parity), expected) << "parity bit of key byte " << i;
    std::string keyBit = key;
    keyBit[i] = static_cast<char>(keyBit[i] ^ 0x02);
    EXPECT_NE(encrypt(keyBit), expected) << "key bit of key byte " << i;
  }
}

// Beyond MaxKeyLength is reported, not enforced: every byte up to the 72nd
// changes the cipher.
TEST(BlockCipherClass, BlowfishTakesKeysBeyondItsReportedMaximum) {
  std::mt19937_64 random(11);
  const std::string key = RandomBytes(random, 72);
  const std::string block = RandomBytes(random, 8);
  std::string expected = block;
  TBlowfishCipher(key).EncryptBlock(expected.data());
  for (const size_t position : {55, 56, 63, 71}) {
    std::string changed = key;
    changed[position] = static_cast<char>(changed[position] ^ 0x10);
    std::string data = block;
    TBlowfishCipher(changed).EncryptBlock(data.data());
    EXPECT_NE(data, expected) << "key byte " << position;
  }
}

class ByteStrings : public ::testing::TestWithParam<const TBlockCipherClass*> {
 protected:
  ByteStrings() : fRandom(5), fCipher(Make(*GetParam(), RandomBytes(fRandom, 16))) {}

  // The blocks of aCiphertext deciphered one by one, padding and all.
  std::string RawDecryption(std::string aCiphertext) const {
    for (size_t i = 0; i < aCiphertext.size(); i += 8) fCipher->DecryptBlock(aCiphertext.data() + i);
    return aCiphertext;
  }

  std::string RawEncryption(std::string aPlaintext) const {
    for (size_t i = 0; i < aPlaintext.size(); i += 8) fCipher->EncryptBlock(aPlaintext.data() + i);
    return aPlaintext;
  }

  std::mt19937_64 fRandom;
  std::unique_ptr<T64BitBlockCipher> fCipher;
};

TEST_P(ByteStrings, PadWithTheirPadCountAndComeBack) {
  std::vector<size_t> lengths = {0, 1, 7, 8, 9, 15, 16, 17, 4095, 4096, 4097};
  for (int i = 0; i < 3; ++i) lengths.push_back(fRandom() % 10000);
  for (const size_t length : lengths) {
    SCOPED_TRACE("length " + std::to_string(length));
    const std::string plaintext = RandomBytes(fRandom, length);
    const std::string ciphertext = fCipher->EncryptedString(plaintext);
    EXPECT_EQ(ciphertext.size(), T64BitBlockCipher::CiphertextLength(length));
    EXPECT_EQ(ToHex(RawDecryption(ciphertext)), ToHex(Padded(plaintext)));
    EXPECT_EQ(fCipher->DecryptedString(ciphertext), plaintext);
  }
}

TEST_P(ByteStrings, EveryBlockStandsAlone) {
  const std::string block = RandomBytes(fRandom, 8);
  const std::string ciphertext = fCipher->EncryptedString(block + block + block);
  EXPECT_EQ(ciphertext.substr(0, 8), ciphertext.substr(8, 8));
  EXPECT_EQ(ciphertext.substr(8, 8), ciphertext.substr(16, 8));
}

TEST_P(ByteStrings, BlockValueIsTheLittleEndianReadingOfTheBytes) {
  for (int round = 0; round < 20; ++round) {
    std::string bytes = RandomBytes(fRandom, 8);
    const uint64_t value = LittleEndianValue(bytes);
    fCipher->EncryptBlock(bytes.data());
    const uint64_t expected = LittleEndianValue(bytes);
    EXPECT_EQ(fCipher->EncryptedBlock(value), expected);
    EXPECT_EQ(fCipher->DecryptedBlock(expected), value);
  }
}

TEST_P(ByteStrings, CiphertextOfAnotherLengthIsRefused) {
  for (const size_t length : {0, 1, 7, 9, 12, 15, 4097}) {
    EXPECT_EQ(FailureOf([&] { fCipher->DecryptedString(std::string(length, 'c')); }),
              u"Ciphertext is not a multiple of 8 bytes.")
        << "length " << length;
  }
}

// The last decrypted byte is the pad count. 0 keeps the final block; a count
// above the block size (a wrong key, damaged data) drops exactly the final
// block and nothing more.
TEST_P(ByteStrings, PadCountIsClampedToTheFinalBlock) {
  const struct {
    uint8_t padCount;
    size_t kept;
  } cases[] = {{0, 16}, {1, 15}, {5, 11}, {8, 8}, {9, 8}, {200, 8}, {255, 8}};
  for (const auto& c : cases) {
    std::string plaintext = RandomBytes(fRandom, 16);
    plaintext.back() = static_cast<char>(c.padCount);
    const std::string result = fCipher->DecryptedString(RawEncryption(plaintext));
    EXPECT_EQ(ToHex(result), ToHex(plaintext.substr(0, c.kept))) << "pad count " << int(c.padCount);
  }
  // A single block whose pad count is too large leaves nothing.
  std::string block = RandomBytes(fRandom, 8);
  block.back() = static_cast<char>(77);
  EXPECT_EQ(fCipher->DecryptedString(RawEncryption(block)), "");
}

TEST_P(ByteStrings, WrongKeyGivesOtherBytesNotAFailure) {
  const std::string plaintext = RandomBytes(fRandom, 40);
  const std::string ciphertext = fCipher->EncryptedString(plaintext);
  const auto other = Make(*GetParam(), RandomBytes(fRandom, 16));
  const std::string result = other->DecryptedString(ciphertext);
  EXPECT_GE(result.size(), 40u);
  EXPECT_LE(result.size(), 48u);
  EXPECT_NE(result.substr(0, 40), plaintext);
}

// The key schedule is only read after construction, so one object serves
// several threads at once.
TEST_P(ByteStrings, OneObjectServesSeveralThreads) {
  const std::string plaintext = RandomBytes(fRandom, 20000);
  const std::string expected = fCipher->EncryptedString(plaintext);
  std::vector<std::string> results(4);
  std::vector<std::thread> threads;
  for (auto& result : results) {
    threads.emplace_back([&] {
      std::istringstream in(plaintext);
      std::ostringstream out;
      fCipher->EncryptStream(in, out);
      result = fCipher->DecryptedString(out.str()) == plaintext ? out.str() : "";
    });
  }
  for (auto& thread : threads) thread.join();
  for (const auto& result : results) EXPECT_EQ(result, expected);
}

INSTANTIATE_TEST_SUITE_P(Ciphers, ByteStrings,
                         ::testing::Values(&TDESCipher::Class(), &TBlowfishCipher::Class()),
                         [](const auto& aInfo) {
                           return aInfo.param == &TDESCipher::Class() ? "DES" : "Blowfish";
                         });

}  // namespace
