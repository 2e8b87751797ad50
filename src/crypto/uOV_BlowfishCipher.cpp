// Blowfish as published in 1993: 16 rounds over the key-dependent P-array and
// S-boxes. ECB over many blocks runs four blocks side by side, since one
// block's rounds form a single chain of dependent table look-ups.
#include <bit>
#include <cstring>

#include "crypto/uOV_BlockCiphers.h"
#include "crypto/uOV_BlowfishTables.h"

namespace {

[[maybe_unused]] constexpr uint32_t ReverseBytes(uint32_t aValue) {
  return (aValue >> 24) | ((aValue >> 8) & 0xFF00) | ((aValue << 8) & 0xFF0000) | (aValue << 24);
}

// Each half of a block is a little-endian word.
uint32_t LoadWord(const uint8_t* aBytes) {
  uint32_t value;
  std::memcpy(&value, aBytes, 4);
  if constexpr (std::endian::native == std::endian::big) value = ReverseBytes(value);
  return value;
}

void StoreWord(uint8_t* aBytes, uint32_t aValue) {
  if constexpr (std::endian::native == std::endian::big) aValue = ReverseBytes(aValue);
  std::memcpy(aBytes, &aValue, 4);
}

std::unique_ptr<TBlockCipher> CreateBlowfish(const void* aKey, size_t aLength) {
  return std::make_unique<TBlowfishCipher>(aKey, aLength);
}

}  // namespace

struct TBlowfishCipher::Rounds {
  static uint32_t F(const TBlowfishCipher& aCipher, uint32_t aValue) {
    return ((aCipher.fSBox1[aValue >> 24] + aCipher.fSBox2[(aValue >> 16) & 0xFF]) ^
            aCipher.fSBox3[(aValue >> 8) & 0xFF]) +
           aCipher.fSBox4[aValue & 0xFF];
  }

  // P-array word of a step; decryption runs the array backwards.
  template <bool kDecrypt>
  static uint32_t P(const TBlowfishCipher& aCipher, int aStep) {
    return aCipher.fPArray[kDecrypt ? 17 - aStep : aStep];
  }

  // One block as its two halves; the output halves come back in place.
  template <bool kDecrypt>
  static void Crypt(const TBlowfishCipher& aCipher, uint32_t& aLeft, uint32_t& aRight) {
    uint32_t left = aLeft;
    uint32_t right = aRight;
    for (int step = 0; step < 16; step += 2) {
      left ^= P<kDecrypt>(aCipher, step);
      right ^= F(aCipher, left) ^ P<kDecrypt>(aCipher, step + 1);
      left ^= F(aCipher, right);
    }
    aLeft = right ^ P<kDecrypt>(aCipher, 17);
    aRight = left ^ P<kDecrypt>(aCipher, 16);
  }

  template <bool kDecrypt>
  static void CryptOne(const TBlowfishCipher& aCipher, uint8_t* aData) {
    uint32_t left = LoadWord(aData);
    uint32_t right = LoadWord(aData + 4);
    Crypt<kDecrypt>(aCipher, left, right);
    StoreWord(aData, left);
    StoreWord(aData + 4, right);
  }

  // Four blocks, round by round, written out lane by lane: the compiler keeps
  // them in registers and does not turn the table look-ups into vector code.
  template <bool kDecrypt>
  static void CryptFour(const TBlowfishCipher& aCipher, uint8_t* aData) {
    uint32_t left0 = LoadWord(aData), right0 = LoadWord(aData + 4);
    uint32_t left1 = LoadWord(aData + 8), right1 = LoadWord(aData + 12);
    uint32_t left2 = LoadWord(aData + 16), right2 = LoadWord(aData + 20);
    uint32_t left3 = LoadWord(aData + 24), right3 = LoadWord(aData + 28);
    for (int step = 0; step < 16; step += 2) {
      const uint32_t first = P<kDecrypt>(aCipher, step);
      const uint32_t second = P<kDecrypt>(aCipher, step + 1);
      left0 ^= first;
      left1 ^= first;
      left2 ^= first;
      left3 ^= first;
      right0 ^= F(aCipher, left0) ^ second;
      right1 ^= F(aCipher, left1) ^ second;
      right2 ^= F(aCipher, left2) ^ second;
      right3 ^= F(aCipher, left3) ^ second;
      left0 ^= F(aCipher, right0);
      left1 ^= F(aCipher, right1);
      left2 ^= F(aCipher, right2);
      left3 ^= F(aCipher, right3);
    }
    const uint32_t toLeft = P<kDecrypt>(aCipher, 17);
    const uint32_t toRight = P<kDecrypt>(aCipher, 16);
    StoreWord(aData, right0 ^ toLeft);
    StoreWord(aData + 4, left0 ^ toRight);
    StoreWord(aData + 8, right1 ^ toLeft);
    StoreWord(aData + 12, left1 ^ toRight);
    StoreWord(aData + 16, right2 ^ toLeft);
    StoreWord(aData + 20, left2 ^ toRight);
    StoreWord(aData + 24, right3 ^ toLeft);
    StoreWord(aData + 28, left3 ^ toRight);
  }

  template <bool kDecrypt>
  static void CryptBlocks(const TBlowfishCipher& aCipher, uint8_t* aData, size_t aCount) {
    size_t i = 0;
    for (; i + 4 <= aCount; i += 4) CryptFour<kDecrypt>(aCipher, aData + 8 * i);
    for (; i < aCount; ++i) CryptOne<kDecrypt>(aCipher, aData + 8 * i);
  }

  template <bool kDecrypt>
  static uint64_t CryptValue(const TBlowfishCipher& aCipher, uint64_t aBlock) {
    uint32_t left = static_cast<uint32_t>(aBlock);
    uint32_t right = static_cast<uint32_t>(aBlock >> 32);
    Crypt<kDecrypt>(aCipher, left, right);
    return (uint64_t(right) << 32) | left;
  }
};

TBlowfishCipher::TBlowfishCipher(const void* aKey, size_t aLength)
    : T64BitBlockCipher(aLength, MinKeyLength()),
      fSBox1(kBlowfishInitialSBoxes[0]),
      fSBox2(kBlowfishInitialSBoxes[1]),
      fSBox3(kBlowfishInitialSBoxes[2]),
      fSBox4(kBlowfishInitialSBoxes[3]),
      fPArray(kBlowfishInitialPArray) {
  // Every P-array word takes the next four key bytes, most significant first,
  // wrapping round the key; the P-array and then the S-boxes are refilled
  // with the chained encryptions of an all-zero block.
  const auto* key = static_cast<const uint8_t*>(aKey);
  size_t next = 0;
  for (auto& word : fPArray) {
    uint32_t keyWord = 0;
    for (int i = 0; i < 4; ++i) {
      keyWord = (keyWord << 8) | key[next];
      next = (next + 1) % aLength;
    }
    word ^= keyWord;
  }
  uint32_t left = 0;
  uint32_t right = 0;
  auto refill = [&](uint32_t* aWords, size_t aCount) {
    for (size_t i = 0; i < aCount; i += 2) {
      Rounds::Crypt<false>(*this, left, right);
      aWords[i] = left;
      aWords[i + 1] = right;
    }
  };
  refill(fPArray.data(), fPArray.size());
  for (auto* box : {&fSBox1, &fSBox2, &fSBox3, &fSBox4}) refill(box->data(), box->size());
}

const TBlockCipherClass& TBlowfishCipher::Class() {
  static constexpr TBlockCipherClass kClass(MinKeyLength(), MaxKeyLength(), BlockSize(),
                                            &CreateBlowfish);
  return kClass;
}

void TBlowfishCipher::EncryptBlock(void* aPlaintext) const {
  Rounds::CryptOne<false>(*this, static_cast<uint8_t*>(aPlaintext));
}

void TBlowfishCipher::DecryptBlock(void* aCiphertext) const {
  Rounds::CryptOne<true>(*this, static_cast<uint8_t*>(aCiphertext));
}

uint64_t TBlowfishCipher::EncryptedBlock(uint64_t aPlaintext) const {
  return Rounds::CryptValue<false>(*this, aPlaintext);
}

uint64_t TBlowfishCipher::DecryptedBlock(uint64_t aCiphertext) const {
  return Rounds::CryptValue<true>(*this, aCiphertext);
}

void TBlowfishCipher::EncryptBlocks(uint8_t* aData, size_t aCount) const {
  Rounds::CryptBlocks<false>(*this, aData, aCount);
}

void TBlowfishCipher::DecryptBlocks(uint8_t* aData, size_t aCount) const {
  Rounds::CryptBlocks<true>(*this, aData, aCount);
}
