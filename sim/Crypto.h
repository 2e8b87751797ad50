// Random values, encodings and the HMAC behind the simulated signatures,
// all from OpenSSL.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace ovsim {

// aCount bytes from the OpenSSL generator; throws std::runtime_error if it fails.
std::string RandomBytes(size_t aCount);
// A random integer in [0, aBound).
uint32_t RandomBelow(uint32_t aBound);

std::string HexUpper(std::string_view aBytes);
std::string Base64(std::string_view aBytes);
// Base64 with the URL alphabet and no padding: tokens travel in headers.
std::string Base64Url(std::string_view aBytes);

std::string HmacSha256(std::string_view aKey, std::string_view aData);

// Comparison whose time does not depend on where the texts differ.
bool SameSecret(std::string_view aLeft, std::string_view aRight);

}  // namespace ovsim
