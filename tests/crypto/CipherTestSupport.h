// Small helpers shared by the cipher tests: hexadecimal byte strings and the
// byte reorderings between the published (big-endian) block layout and ours.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <string_view>

inline std::string FromHex(std::string_view aHex) {
  auto nibble = [](char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; };
  std::string bytes;
  for (size_t i = 0; i + 1 < aHex.size(); i += 2) {
    bytes.push_back(static_cast<char>(nibble(aHex[i]) << 4 | nibble(aHex[i + 1])));
  }
  return bytes;
}

inline std::string ToHex(std::string_view aBytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string hex;
  for (const char c : aBytes) {
    hex.push_back(digits[static_cast<uint8_t>(c) >> 4]);
    hex.push_back(digits[static_cast<uint8_t>(c) & 15]);
  }
  return hex;
}

// The 64-bit block value of 8 bytes: their little-endian reading.
inline uint64_t LittleEndianValue(std::string_view aBytes) {
  uint64_t value = 0;
  for (int i = 7; i >= 0; --i) value = value << 8 | static_cast<uint8_t>(aBytes[i]);
  return value;
}

// DES: the published byte order reversed, all 8 bytes.
inline std::string Reversed(std::string aBytes) { return std::string(aBytes.rbegin(), aBytes.rend()); }

// Blowfish: each 4-byte half reversed in place, block by block.
inline std::string HalvesReversed(std::string aBytes) {
  for (size_t i = 0; i + 4 <= aBytes.size(); i += 4) {
    std::swap(aBytes[i], aBytes[i + 3]);
    std::swap(aBytes[i + 1], aBytes[i + 2]);
  }
  return aBytes;
}

inline std::string RandomBytes(std::mt19937_64& aRandom, size_t aCount) {
  std::string bytes(aCount, '\0');
  for (auto& c : bytes) c = static_cast<char>(aRandom() & 0xFF);
  return bytes;
}

// The byte-string padding rule, built independently of the ciphers.
inline std::string Padded(std::string aPlaintext) {
  const size_t pad = 8 - aPlaintext.size() % 8;
  aPlaintext.append(pad, static_cast<char>(pad));
  return aPlaintext;
}
