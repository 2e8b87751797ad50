// The decimal text form in which the database proxy keeps ciphered texts:
// the DES ciphertext (byte-string form, under the proxy's fixed key) written
// as three decimal digits per byte. A fresh cipher serves every call.
#pragma once

#include <string>
#include <string_view>

// An empty input gives an empty result; otherwise the digits of the padded
// ciphertext, 3 x a multiple of 8 of them.
std::u16string CiphersText(std::string_view aPlaintext);

// Reads the input three characters at a time, each group through StrToInt
// (raising "'%s' is not a valid integer value") and taken modulo 256; a
// trailing group of fewer than three characters is ignored. Raises
// "Ciphertext is not a multiple of 8 bytes." when the bytes do not form whole
// blocks. An empty input gives an empty result.
std::string DeCiphersText(std::u16string_view aDigits);

// The proxy's fixed 8-byte DES key, laid out from its two 32-bit halves.
std::string CipherTextKey();
