// Blowfish as published in 1993: 16 rounds over the key-dependent P-array and
// S-boxes. ECB over many blocks runs several blocks side by side, since one
// block's rounds form a single chain of dependent table look-ups.

#include "crypto/uOV_BlockCiphers.h"
#include "crypto/uOV_BlowfishTables.h"

namespace {

// Each half of a block is a little-endian word (compilers turn these into
// plain loads and stores).
uint32_t LoadWord(const uint8_t* aBytes) {
  return uint32_t(aBytes[0]) | uint32_t(aBytes[1]) << 8 | uint32_t(aBytes[2]) << 16 |
         uint32_t(aBytes[3]) << 24;
}

void StoreWord(uint8_t* aBytes, uint32_t aValue) {
  aBytes[0] = static_cast<uint8_t>(aValue);
  aBytes[1] = static_cast<uint8_t>(aValue >> 8);
  aBytes[2] = static_cast<uint8_t>(aValue >> 16);
  aBytes[3] = static_cast<uint8_t>(aValue >> 24);
}

std::unique_ptr<TBlockCipher> CreateBlowfish(const void* aKey, size_t aLength) {
  return std::make_unique<TBlowfishCipher>(aKey, aLength);
}

// Blocks handled side by side in ECB.
constexpr size_t kLanes = 4;

}  // namespace

struct TBlowfishCipher::Rounds {
  static uint32_t F(const TBlowfishCipher& aCipher, uint32_t aValue) {
    return ((aCipher.fSBox1[aValue >> 24] + aCipher.fSBox2[(aValue >> 16) & 0xFF]) ^
            aCipher.fSBox3[(aValue >> 8) & 0xFF]) +
           aCipher.fSBox4[aValue & 0xFF];
  }

  // aLeft and aRight for aLanes blocks; the rounds of all lanes interleave.
  template <size_t kCount>
  static void Encrypt(const TBlowfishCipher& aCipher, uint32_t (&aLeft)[kCount],
                      uint32_t (&aRight)[kCount]) {
    const auto& p = aCipher.fPArray;
    for (int i = 0; i < 16; i += 2) {
      for (size_t j = 0; j < kCount; ++j) aLeft[j] ^= p[i];
      for (size_t j = 0; j < kCount; ++j) aRight[j] ^= F(aCipher, aLeft[j]) ^ p[i + 1];
      for (size_t j = 0; j < kCount; ++j) aLeft[j] ^= F(aCipher, aRight[j]);
    }
    for (size_t j = 0; j < kCount; ++j) {
      const uint32_t left = aLeft[j] ^ p[16];
      aLeft[j] = aRight[j] ^ p[17];
      aRight[j] = left;
    }
  }

  template <size_t kCount>
  static void Decrypt(const TBlowfishCipher& aCipher, uint32_t (&aLeft)[kCount],
                      uint32_t (&aRight)[kCount]) {
    const auto& p = aCipher.fPArray;
    for (int i = 17; i > 1; i -= 2) {
      for (size_t j = 0; j < kCount; ++j) aLeft[j] ^= p[i];
      for (size_t j = 0; j < kCount; ++j) aRight[j] ^= F(aCipher, aLeft[j]) ^ p[i - 1];
      for (size_t j = 0; j < kCount; ++j) aLeft[j] ^= F(aCipher, aRight[j]);
    }
    for (size_t j = 0; j < kCount; ++j) {
      const uint32_t left = aLeft[j] ^ p[1];
      aLeft[j] = aRight[j] ^ p[0];
      aRight[j] = left;
    }
  }

  template <bool kDecrypt, size_t kCount>
  static void CryptBytes(const TBlowfishCipher& aCipher, uint8_t* aData) {
    uint32_t left[kCount];
    uint32_t right[kCount];
    for (size_t j = 0; j < kCount; ++j) {
      left[j] = LoadWord(aData + 8 * j);
      right[j] = LoadWord(aData + 8 * j + 4);
    }
    if constexpr (kDecrypt) {
      Decrypt(aCipher, left, right);
    } else {
      Encrypt(aCipher, left, right);
    }
    for (size_t j = 0; j < kCount; ++j) {
      StoreWord(aData + 8 * j, left[j]);
      StoreWord(aData + 8 * j + 4, right[j]);
    }
  }

  template <bool kDecrypt>
  static void CryptBlocks(const TBlowfishCipher& aCipher, uint8_t* aData, size_t aCount) {
    size_t i = 0;
    for (; i + kLanes <= aCount; i += kLanes) CryptBytes<kDecrypt, kLanes>(aCipher, aData + 8 * i);
    for (; i < aCount; ++i) CryptBytes<kDecrypt, 1>(aCipher, aData + 8 * i);
  }

  template <bool kDecrypt>
  static uint64_t CryptValue(const TBlowfishCipher& aCipher, uint64_t aBlock) {
    uint32_t left[1] = {static_cast<uint32_t>(aBlock)};
    uint32_t right[1] = {static_cast<uint32_t>(aBlock >> 32)};
    if constexpr (kDecrypt) {
      Decrypt(aCipher, left, right);
    } else {
      Encrypt(aCipher, left, right);
    }
    return (uint64_t(right[0]) << 32) | left[0];
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
  uint32_t left[1] = {0};
  uint32_t right[1] = {0};
  auto refill = [&](uint32_t* aWords, size_t aCount) {
    for (size_t i = 0; i < aCount; i += 2) {
      Rounds::Encrypt(*this, left, right);
      aWords[i] = left[0];
      aWords[i + 1] = right[0];
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
  Rounds::CryptBytes<false, 1>(*this, static_cast<uint8_t*>(aPlaintext));
}

void TBlowfishCipher::DecryptBlock(void* aCiphertext) const {
  Rounds::CryptBytes<true, 1>(*this, static_cast<uint8_t*>(aCiphertext));
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
