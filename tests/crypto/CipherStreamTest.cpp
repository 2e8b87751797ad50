// The chunked stream operations: lengths around the 4096-byte chunk, the
// stream positions, the padding rule, and the failures.
#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <streambuf>

#include "base/uOV_Exception.h"
#include "crypto/CipherTestSupport.h"
#include "crypto/uOV_BlockCiphers.h"

#include "support/FailureOf.h"

namespace {

// An input that can only be read forward, as a pipe is: no position, no size.
class ForwardOnlyBuffer : public std::streambuf {
 public:
  explicit ForwardOnlyBuffer(std::string aData) : fData(std::move(aData)) {
    setg(fData.data(), fData.data(), fData.data() + fData.size());
  }

 private:
  std::string fData;
};

// Fails once aGoodBytes have gone through.
class FailingBuffer : public std::streambuf {
 public:
  explicit FailingBuffer(size_t aGoodBytes) : fLeft(aGoodBytes) {}

 protected:
  int_type underflow() override {
    if (fLeft == 0) throw std::runtime_error("device gone");
    --fLeft;
    fChar = 'x';
    setg(&fChar, &fChar, &fChar + 1);
    return traits_type::to_int_type(fChar);
  }
  int_type overflow(int_type aChar) override {
    if (fLeft == 0) return traits_type::eof();
    --fLeft;
    return aChar;
  }

 private:
  size_t fLeft;
  char fChar = 0;
};

class CipherStreams : public ::testing::TestWithParam<const TBlockCipherClass*> {
 protected:
  CipherStreams() : fRandom(4242) {
    std::unique_ptr<TBlockCipher> cipher = GetParam()->Create(RandomBytes(fRandom, 16));
    fCipher.reset(dynamic_cast<T64BitBlockCipher*>(cipher.release()));
  }

  std::string Encrypted(const std::string& aPlaintext) const {
    std::istringstream in(aPlaintext);
    std::ostringstream out;
    fCipher->EncryptStream(in, out);
    return out.str();
  }

  std::string Decrypted(const std::string& aCiphertext) const {
    std::istringstream in(aCiphertext);
    std::ostringstream out;
    fCipher->DecryptStream(in, out);
    return out.str();
  }

  // The raw ECB form, with the last byte of the final block set as given.
  std::string RawWithPadCount(size_t aLength, uint8_t aPadCount) {
    std::string data = RandomBytes(fRandom, aLength);
    data.back() = static_cast<char>(aPadCount);
    for (size_t i = 0; i < data.size(); i += 8) fCipher->EncryptBlock(data.data() + i);
    return data;
  }

  std::mt19937_64 fRandom;
  std::unique_ptr<T64BitBlockCipher> fCipher;
};

TEST_P(CipherStreams, RoundTripAcrossChunkBoundaries) {
  std::vector<size_t> lengths = {0, 1, 7, 8, 9, 4088, 4090, 4095, 4096, 4097, 8192, 12293};
  for (int i = 0; i < 4; ++i) lengths.push_back(fRandom() % 20000);
  for (const size_t length : lengths) {
    SCOPED_TRACE("length " + std::to_string(length));
    const std::string plaintext = RandomBytes(fRandom, length);
    const std::string ciphertext = Encrypted(plaintext);
    EXPECT_EQ(ciphertext.size(), T64BitBlockCipher::CiphertextLength(length));
    // Every pad byte carries the pad count, so both forms agree.
    EXPECT_EQ(ciphertext, fCipher->EncryptedString(plaintext));
    EXPECT_EQ(Decrypted(ciphertext), plaintext);
  }
}

// A ciphertext of exactly one chunk still loses its padding.
TEST_P(CipherStreams, WholeChunkCiphertextDropsItsPadCount) {
  for (const uint8_t pad : {1, 6, 8}) {
    const std::string plaintext = RandomBytes(fRandom, 4096 - pad);
    const std::string ciphertext = fCipher->EncryptedString(plaintext);
    ASSERT_EQ(ciphertext.size(), 4096u);
    EXPECT_EQ(Decrypted(ciphertext), plaintext);
  }
}

TEST_P(CipherStreams, ReadFromTheCurrentPositionAndWriteAtTheCurrentPosition) {
  const std::string plaintext = RandomBytes(fRandom, 5000);
  std::istringstream in("SKIPPED" + plaintext);
  in.seekg(7);
  std::stringstream out("HEAD-AND-OLD-TAIL");
  out.seekp(5);
  fCipher->EncryptStream(in, out);
  const std::string ciphertext = fCipher->EncryptedString(plaintext);
  EXPECT_EQ(out.str(), "HEAD-" + ciphertext);
  // The input is left at its end, still usable.
  EXPECT_TRUE(in.good());
  EXPECT_EQ(in.tellg(), std::streampos(7 + 5000));

  std::istringstream cipherIn("12345" + ciphertext);
  cipherIn.seekg(5);
  std::ostringstream plainOut("PRE:", std::ios::ate);
  fCipher->DecryptStream(cipherIn, plainOut);
  EXPECT_EQ(plainOut.str(), "PRE:" + plaintext);
  EXPECT_TRUE(cipherIn.good());
}

TEST_P(CipherStreams, BadCiphertextLengthIsRefusedBeforeAnythingIsWritten) {
  for (const size_t length : {0, 1, 7, 12, 4095, 4097, 4096 + 12, 8195}) {
    std::istringstream in(RandomBytes(fRandom, length));
    std::ostringstream out;
    EXPECT_EQ(FailureOf([&] { fCipher->DecryptStream(in, out); }),
              u"Ciphertext length is not a multiple of 8.")
        << "length " << length;
    EXPECT_EQ(out.str(), "") << "length " << length;
  }
  // Only what lies after the current position counts.
  std::istringstream shifted("abc" + fCipher->EncryptedString("x"));
  std::ostringstream out;
  EXPECT_EQ(FailureOf([&] { fCipher->DecryptStream(shifted, out); }),
            u"Ciphertext length is not a multiple of 8.");
}

TEST_P(CipherStreams, ForwardOnlyInputWorksAndStillChecksTheLength) {
  const std::string plaintext = RandomBytes(fRandom, 9000);
  ForwardOnlyBuffer plainBuffer(plaintext);
  std::istream plainIn(&plainBuffer);
  std::ostringstream cipherOut;
  fCipher->EncryptStream(plainIn, cipherOut);
  EXPECT_EQ(cipherOut.str(), fCipher->EncryptedString(plaintext));

  ForwardOnlyBuffer cipherBuffer(cipherOut.str());
  std::istream cipherIn(&cipherBuffer);
  std::ostringstream plainOut;
  fCipher->DecryptStream(cipherIn, plainOut);
  EXPECT_EQ(plainOut.str(), plaintext);

  // Without a size the bad length shows only at the final chunk.
  for (const size_t length : {0, 12, 4096 + 12}) {
    ForwardOnlyBuffer badBuffer(RandomBytes(fRandom, length));
    std::istream badIn(&badBuffer);
    std::ostringstream out;
    EXPECT_EQ(FailureOf([&] { fCipher->DecryptStream(badIn, out); }),
              u"Ciphertext length is not a multiple of 8.")
        << "length " << length;
  }
}

// As for byte strings: 0 keeps the final block, a count above the block size
// drops exactly the final block; at a chunk boundary too.
TEST_P(CipherStreams, PadCountIsClampedToTheFinalBlock) {
  const struct {
    size_t length;
    uint8_t padCount;
    size_t written;
  } cases[] = {{16, 0, 16}, {16, 3, 13}, {16, 9, 8}, {16, 255, 8}, {8, 200, 0},
               {4096, 0, 4096}, {4096, 100, 4088}, {4104, 255, 4096}, {8192, 9, 8184}};
  for (const auto& c : cases) {
    const std::string ciphertext = RawWithPadCount(c.length, c.padCount);
    std::string expected = ciphertext;
    for (size_t i = 0; i < expected.size(); i += 8) fCipher->DecryptBlock(expected.data() + i);
    EXPECT_EQ(ToHex(Decrypted(ciphertext)), ToHex(expected.substr(0, c.written)))
        << "length " << c.length << " pad count " << int(c.padCount);
  }
}

TEST_P(CipherStreams, StreamFailuresAreReported) {
  FailingBuffer brokenInput(100);
  std::istream in(&brokenInput);
  std::ostringstream out;
  EXPECT_EQ(FailureOf([&] { fCipher->EncryptStream(in, out); }), u"Stream read error");

  std::istringstream source(RandomBytes(fRandom, 10000));
  FailingBuffer fullDisk(5000);
  std::ostream sink(&fullDisk);
  EXPECT_EQ(FailureOf([&] { fCipher->EncryptStream(source, sink); }), u"Stream write error");

  std::istringstream ciphertext(fCipher->EncryptedString(RandomBytes(fRandom, 10000)));
  FailingBuffer fullDisk2(5000);
  std::ostream sink2(&fullDisk2);
  EXPECT_EQ(FailureOf([&] { fCipher->DecryptStream(ciphertext, sink2); }), u"Stream write error");
}

INSTANTIATE_TEST_SUITE_P(Ciphers, CipherStreams,
                         ::testing::Values(&TDESCipher::Class(), &TBlowfishCipher::Class()),
                         [](const auto& aInfo) {
                           return aInfo.param == &TDESCipher::Class() ? "DES" : "Blowfish";
                         });

}  // namespace
