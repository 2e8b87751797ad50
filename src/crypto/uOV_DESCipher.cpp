// DES (FIPS PUB 46-3). The round function runs on combined S-box and
// permutation tables computed at compile time from the published tables, with
// both halves kept rotated so that the eight 6-bit groups of the expansion are
// plain byte fields. ECB over many blocks runs four blocks side by side: one
// block's rounds form a single dependency chain, so the others fill the idle
// issue slots.
#include <bit>
#include <cstring>

#include "crypto/uOV_BlockCiphers.h"

namespace {

// ---- The published tables (bits numbered from 1, most significant first) ----

constexpr uint8_t kInitialPermutation[64] = {
    58, 50, 42, 34, 26, 18, 10, 2, 60, 52, 44, 36, 28, 20, 12, 4,
    62, 54, 46, 38, 30, 22, 14, 6, 64, 56, 48, 40, 32, 24, 16, 8,
    57, 49, 41, 33, 25, 17, 9,  1, 59, 51, 43, 35, 27, 19, 11, 3,
    61, 53, 45, 37, 29, 21, 13, 5, 63, 55, 47, 39, 31, 23, 15, 7};

constexpr uint8_t kPermutedChoice1[56] = {
    57, 49, 41, 33, 25, 17, 9,  1,  58, 50, 42, 34, 26, 18,
    10, 2,  59, 51, 43, 35, 27, 19, 11, 3,  60, 52, 44, 36,
    63, 55, 47, 39, 31, 23, 15, 7,  62, 54, 46, 38, 30, 22,
    14, 6,  61, 53, 45, 37, 29, 21, 13, 5,  28, 20, 12, 4};

constexpr uint8_t kPermutedChoice2[48] = {
    14, 17, 11, 24, 1,  5,  3,  28, 15, 6,  21, 10,
    23, 19, 12, 4,  26, 8,  16, 7,  27, 20, 13, 2,
    41, 52, 31, 37, 47, 55, 30, 40, 51, 45, 33, 48,
    44, 49, 39, 56, 34, 53, 46, 42, 50, 36, 29, 32};

constexpr uint8_t kKeyShifts[16] = {1, 1, 2, 2, 2, 2, 2, 2, 1, 2, 2, 2, 2, 2, 2, 1};

constexpr uint8_t kPermutation[32] = {
    16, 7, 20, 21, 29, 12, 28, 17, 1,  15, 23, 26, 5,  18, 31, 10,
    2,  8, 24, 14, 32, 27, 3,  9,  19, 13, 30, 6,  22, 11, 4,  25};

// S1 to S8, each as its four rows of 16.
constexpr uint8_t kSBoxes[8][64] = {
    {14, 4,  13, 1,  2,  15, 11, 8,  3,  10, 6,  12, 5,  9,  0,  7,
     0,  15, 7,  4,  14, 2,  13, 1,  10, 6,  12, 11, 9,  5,  3,  8,
     4,  1,  14, 8,  13, 6,  2,  11, 15, 12, 9,  7,  3,  10, 5,  0,
     15, 12, 8,  2,  4,  9,  1,  7,  5,  11, 3,  14, 10, 0,  6,  13},
    {15, 1,  8,  14, 6,  11, 3,  4,  9,  7,  2,  13, 12, 0,  5,  10,
     3,  13, 4,  7,  15, 2,  8,  14, 12, 0,  1,  10, 6,  9,  11, 5,
     0,  14, 7,  11, 10, 4,  13, 1,  5,  8,  12, 6,  9,  3,  2,  15,
     13, 8,  10, 1,  3,  15, 4,  2,  11, 6,  7,  12, 0,  5,  14, 9},
    {10, 0,  9,  14, 6,  3,  15, 5,  1,  13, 12, 7,  11, 4,  2,  8,
     13, 7,  0,  9,  3,  4,  6,  10, 2,  8,  5,  14, 12, 11, 15, 1,
     13, 6,  4,  9,  8,  15, 3,  0,  11, 1,  2,  12, 5,  10, 14, 7,
     1,  10, 13, 0,  6,  9,  8,  7,  4,  15, 14, 3,  11, 5,  2,  12},
    {7,  13, 14, 3,  0,  6,  9,  10, 1,  2,  8,  5,  11, 12, 4,  15,
     13, 8,  11, 5,  6,  15, 0,  3,  4,  7,  2,  12, 1,  10, 14, 9,
     10, 6,  9,  0,  12, 11, 7,  13, 15, 1,  3,  14, 5,  2,  8,  4,
     3,  15, 0,  6,  10, 1,  13, 8,  9,  4,  5,  11, 12, 7,  2,  14},
    {2,  12, 4,  1,  7,  10, 11, 6,  8,  5,  3,  15, 13, 0,  14, 9,
     14, 11, 2,  12, 4,  7,  13, 1,  5,  0,  15, 10, 3,  9,  8,  6,
     4,  2,  1,  11, 10, 13, 7,  8,  15, 9,  12, 5,  6,  3,  0,  14,
     11, 8,  12, 7,  1,  14, 2,  13, 6,  15, 0,  9,  10, 4,  5,  3},
    {12, 1,  10, 15, 9,  2,  6,  8,  0,  13, 3,  4,  14, 7,  5,  11,
     10, 15, 4,  2,  7,  12, 9,  5,  6,  1,  13, 14, 0,  11, 3,  8,
     9,  14, 15, 5,  2,  8,  12, 3,  7,  0,  4,  10, 1,  13, 11, 6,
     4,  3,  2,  12, 9,  5,  15, 10, 11, 14, 1,  7,  6,  0,  8,  13},
    {4,  11, 2,  14, 15, 0,  8,  13, 3,  12, 9,  7,  5,  10, 6,  1,
     13, 0,  11, 7,  4,  9,  1,  10, 14, 3,  5,  12, 2,  15, 8,  6,
     1,  4,  11, 13, 12, 3,  7,  14, 10, 15, 6,  8,  0,  5,  9,  2,
     6,  11, 13, 8,  1,  4,  10, 7,  9,  5,  0,  15, 14, 2,  3,  12},
    {13, 2,  8,  4,  6,  15, 11, 1,  10, 9,  3,  14, 5,  0,  12, 7,
     1,  15, 13, 8,  10, 3,  7,  4,  12, 5,  6,  11, 0,  14, 9,  2,
     7,  11, 4,  1,  9,  12, 14, 2,  0,  6,  10, 13, 15, 3,  5,  8,
     2,  1,  14, 7,  4,  10, 8,  13, 15, 12, 9,  0,  3,  5,  6,  11}};

// Every S-box row is a permutation of 0..15; a mistyped entry shows here.
constexpr bool RowsArePermutations() {
  for (const auto& box : kSBoxes) {
    for (int row = 0; row < 4; ++row) {
      unsigned seen = 0;
      for (int column = 0; column < 16; ++column) seen |= 1u << box[row * 16 + column];
      if (seen != 0xFFFF) return false;
    }
  }
  return true;
}
static_assert(RowsArePermutations());

// Bit aPosition (1 = most significant) of a aWidth-bit value.
constexpr uint64_t BitAt(uint64_t aValue, int aWidth, int aPosition) {
  return (aValue >> (aWidth - aPosition)) & 1;
}

// Output bit i takes input bit aTable[i], as the published tables read.
template <size_t kOutWidth>
constexpr uint64_t Permute(uint64_t aValue, int aInWidth, const uint8_t (&aTable)[kOutWidth]) {
  uint64_t result = 0;
  for (size_t i = 0; i < kOutWidth; ++i) {
    result |= BitAt(aValue, aInWidth, aTable[i]) << (kOutWidth - 1 - i);
  }
  return result;
}

// ---- Initial and final permutation by swaps ----
//
// Seen as an 8x8 matrix of bytes (most significant first) the initial
// permutation is: within every byte, even-numbered bits before odd-numbered
// ones; then the bytes reversed; then the matrix transposed.

constexpr uint64_t SwapBits(uint64_t aValue, int aShift, uint64_t aMask) {
  const uint64_t t = ((aValue >> aShift) ^ aValue) & aMask;
  return aValue ^ t ^ (t << aShift);
}

constexpr uint64_t Transpose8x8(uint64_t aValue) {
  aValue = SwapBits(aValue, 7, 0x00AA00AA00AA00AAull);
  aValue = SwapBits(aValue, 14, 0x0000CCCC0000CCCCull);
  return SwapBits(aValue, 28, 0x00000000F0F0F0F0ull);
}

constexpr uint64_t ReverseBytes(uint64_t aValue) {
  aValue = ((aValue >> 8) & 0x00FF00FF00FF00FFull) | ((aValue & 0x00FF00FF00FF00FFull) << 8);
  aValue = ((aValue >> 16) & 0x0000FFFF0000FFFFull) | ((aValue & 0x0000FFFF0000FFFFull) << 16);
  return (aValue >> 32) | (aValue << 32);
}

constexpr uint64_t SwapNibbles(uint64_t aValue) {
  return ((aValue >> 4) & 0x0F0F0F0F0F0F0F0Full) | ((aValue & 0x0F0F0F0F0F0F0F0Full) << 4);
}

// Within every byte: bits 0, 2, 4, 6 (counted from the least significant) to
// the high nibble, bits 1, 3, 5, 7 to the low one, each in order.
constexpr uint64_t SplitEvenOddBits(uint64_t aValue) {
  aValue = SwapBits(aValue, 1, 0x2222222222222222ull);
  aValue = SwapBits(aValue, 2, 0x0C0C0C0C0C0C0C0Cull);
  return SwapNibbles(aValue);
}

constexpr uint64_t JoinEvenOddBits(uint64_t aValue) {
  aValue = SwapNibbles(aValue);
  aValue = SwapBits(aValue, 2, 0x0C0C0C0C0C0C0C0Cull);
  return SwapBits(aValue, 1, 0x2222222222222222ull);
}

constexpr uint64_t InitialPermutation(uint64_t aBlock) {
  return Transpose8x8(ReverseBytes(SplitEvenOddBits(aBlock)));
}

constexpr uint64_t FinalPermutation(uint64_t aBlock) {
  return JoinEvenOddBits(ReverseBytes(Transpose8x8(aBlock)));
}

// The permutations are linear, so agreeing on every single-bit input proves
// them equal to the published table and its inverse.
constexpr bool PermutationsMatchTable() {
  for (int bit = 0; bit < 64; ++bit) {
    const uint64_t single = 1ull << bit;
    if (InitialPermutation(single) != Permute(single, 64, kInitialPermutation)) return false;
    if (FinalPermutation(InitialPermutation(single)) != single) return false;
  }
  return true;
}
static_assert(PermutationsMatchTable());

// ---- Round function ----
//
// Both halves are held rotated right by 3. Then the halves' word itself holds
// expansion groups 1, 3, 5, 7 in the low six bits of its bytes (most
// significant byte first), and the word rotated left by 4 holds groups
// 2, 4, 6, 8; the round key words are laid out to match.

constexpr uint32_t Rotr(uint32_t aValue, int aCount) { return std::rotr(aValue, aCount); }

struct CombinedTables {
  // Entry g, x: P applied to S-box g+1's output for the 6-bit input x, placed
  // in the output nibble g, then rotated right by 3 like the halves.
  uint32_t box[8][64];
};

constexpr CombinedTables MakeCombinedTables() {
  CombinedTables tables{};
  for (int g = 0; g < 8; ++g) {
    for (int x = 0; x < 64; ++x) {
      const int row = ((x >> 4) & 2) | (x & 1);
      const int column = (x >> 1) & 15;
      const uint64_t beforeP = uint64_t(kSBoxes[g][row * 16 + column]) << (28 - 4 * g);
      tables.box[g][x] = Rotr(static_cast<uint32_t>(Permute(beforeP, 32, kPermutation)), 3);
    }
  }
  return tables;
}

constexpr CombinedTables kTables = MakeCombinedTables();

inline uint32_t F(uint32_t aHalf, const std::array<uint32_t, 2>& aKey) {
  const uint32_t odd = aHalf ^ aKey[0];
  const uint32_t even = std::rotl(aHalf, 4) ^ aKey[1];
  const auto& b = kTables.box;
  return b[0][(odd >> 24) & 63] ^ b[2][(odd >> 16) & 63] ^ b[4][(odd >> 8) & 63] ^ b[6][odd & 63] ^
         b[1][(even >> 24) & 63] ^ b[3][(even >> 16) & 63] ^ b[5][(even >> 8) & 63] ^
         b[7][even & 63];
}

// Round i's key: decryption runs the schedule backwards.
template <bool kDecrypt>
inline const std::array<uint32_t, 2>& RoundKey(const TDESKeySchedule& aSchedule, int aRound) {
  return aSchedule[kDecrypt ? 15 - aRound : aRound];
}

// The halves after the initial permutation, rotated as the rounds want them.
inline void Enter(uint64_t aBlock, uint32_t& aLeft, uint32_t& aRight) {
  const uint64_t permuted = InitialPermutation(aBlock);
  aLeft = Rotr(static_cast<uint32_t>(permuted >> 32), 3);
  aRight = Rotr(static_cast<uint32_t>(permuted), 3);
}

// The output block from the halves after the last round: R16 L16.
inline uint64_t Leave(uint32_t aLeft, uint32_t aRight) {
  return FinalPermutation((uint64_t(std::rotl(aRight, 3)) << 32) | std::rotl(aLeft, 3));
}

template <bool kDecrypt>
inline uint64_t Crypt(uint64_t aBlock, const TDESKeySchedule& aSchedule) {
  uint32_t left, right;
  Enter(aBlock, left, right);
  for (int round = 0; round < 16; round += 2) {
    left ^= F(right, RoundKey<kDecrypt>(aSchedule, round));
    right ^= F(left, RoundKey<kDecrypt>(aSchedule, round + 1));
  }
  return Leave(left, right);
}

// Four independent blocks, round by round. The rounds are written out lane
// by lane so that the halves stay in registers.
template <bool kDecrypt>
inline void CryptFour(uint64_t (&aBlocks)[4], const TDESKeySchedule& aSchedule) {
  uint32_t left0, right0, left1, right1, left2, right2, left3, right3;
  Enter(aBlocks[0], left0, right0);
  Enter(aBlocks[1], left1, right1);
  Enter(aBlocks[2], left2, right2);
  Enter(aBlocks[3], left3, right3);
  for (int round = 0; round < 16; round += 2) {
    const auto& key1 = RoundKey<kDecrypt>(aSchedule, round);
    const auto& key2 = RoundKey<kDecrypt>(aSchedule, round + 1);
    left0 ^= F(right0, key1);
    left1 ^= F(right1, key1);
    left2 ^= F(right2, key1);
    left3 ^= F(right3, key1);
    right0 ^= F(left0, key2);
    right1 ^= F(left1, key2);
    right2 ^= F(left2, key2);
    right3 ^= F(left3, key2);
  }
  aBlocks[0] = Leave(left0, right0);
  aBlocks[1] = Leave(left1, right1);
  aBlocks[2] = Leave(left2, right2);
  aBlocks[3] = Leave(left3, right3);
}

uint64_t LoadLittleEndian(const void* aBytes) {
  uint64_t value;
  std::memcpy(&value, aBytes, 8);
  if constexpr (std::endian::native == std::endian::big) value = ReverseBytes(value);
  return value;
}

void StoreLittleEndian(void* aBytes, uint64_t aValue) {
  if constexpr (std::endian::native == std::endian::big) aValue = ReverseBytes(aValue);
  std::memcpy(aBytes, &aValue, 8);
}

template <bool kDecrypt>
void CryptBlocks(uint8_t* aData, size_t aCount, const TDESKeySchedule& aSchedule) {
  size_t i = 0;
  for (; i + 4 <= aCount; i += 4) {
    uint64_t blocks[4];
    for (int j = 0; j < 4; ++j) blocks[j] = LoadLittleEndian(aData + 8 * (i + j));
    CryptFour<kDecrypt>(blocks, aSchedule);
    for (int j = 0; j < 4; ++j) StoreLittleEndian(aData + 8 * (i + j), blocks[j]);
  }
  for (; i < aCount; ++i) {
    StoreLittleEndian(aData + 8 * i, Crypt<kDecrypt>(LoadLittleEndian(aData + 8 * i), aSchedule));
  }
}

TDESKeySchedule MakeKeySchedule(uint64_t aKey) {
  const uint64_t choice = Permute(aKey, 64, kPermutedChoice1);
  uint32_t c = static_cast<uint32_t>(choice >> 28);
  uint32_t d = static_cast<uint32_t>(choice & 0x0FFFFFFF);
  TDESKeySchedule schedule{};
  for (int round = 0; round < 16; ++round) {
    const int shift = kKeyShifts[round];
    c = ((c << shift) | (c >> (28 - shift))) & 0x0FFFFFFF;
    d = ((d << shift) | (d >> (28 - shift))) & 0x0FFFFFFF;
    const uint64_t key = Permute((uint64_t(c) << 28) | d, 56, kPermutedChoice2);
    // Group g (0 = the first six bits) of the 48-bit round key.
    auto group = [key](int g) { return static_cast<uint32_t>((key >> (42 - 6 * g)) & 63); };
    schedule[round][0] = group(0) << 24 | group(2) << 16 | group(4) << 8 | group(6);
    schedule[round][1] = group(1) << 24 | group(3) << 16 | group(5) << 8 | group(7);
  }
  return schedule;
}

std::unique_ptr<TBlockCipher> CreateDES(const void* aKey, size_t aLength) {
  return std::make_unique<TDESCipher>(aKey, aLength);
}

}  // namespace

TDESCipher::TDESCipher(const void* aKey, size_t aLength)
    : T64BitBlockCipher(aLength, MinKeyLength()),
      fKeySchedule(MakeKeySchedule(LoadLittleEndian(aKey))) {}

const TBlockCipherClass& TDESCipher::Class() {
  static constexpr TBlockCipherClass kClass(MinKeyLength(), MaxKeyLength(), BlockSize(),
                                            &CreateDES);
  return kClass;
}

void TDESCipher::EncryptBlock(void* aPlaintext) const {
  StoreLittleEndian(aPlaintext, Crypt<false>(LoadLittleEndian(aPlaintext), fKeySchedule));
}

void TDESCipher::DecryptBlock(void* aCiphertext) const {
  StoreLittleEndian(aCiphertext, Crypt<true>(LoadLittleEndian(aCiphertext), fKeySchedule));
}

uint64_t TDESCipher::EncryptedBlock(uint64_t aPlaintext) const {
  return Crypt<false>(aPlaintext, fKeySchedule);
}

uint64_t TDESCipher::DecryptedBlock(uint64_t aCiphertext) const {
  return Crypt<true>(aCiphertext, fKeySchedule);
}

void TDESCipher::EncryptBlocks(uint8_t* aData, size_t aCount) const {
  CryptBlocks<false>(aData, aCount, fKeySchedule);
}

void TDESCipher::DecryptBlocks(uint8_t* aData, size_t aCount) const {
  CryptBlocks<true>(aData, aCount, fKeySchedule);
}
