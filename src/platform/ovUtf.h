// UTF-8 <-> UTF-16, used wherever text crosses a library boundary (files,
// XML parser, libcurl, console). Invalid input sequences become U+FFFD; no
// conversion fails.
#pragma once

#include <string>
#include <string_view>

std::u16string Utf8ToUtf16(std::string_view aText);
std::string Utf16ToUtf8(std::u16string_view aText);

// UTF-16 text from its bytes, little- or big-endian; an odd last byte is dropped.
std::u16string Utf16BytesToText(std::string_view aBytes, bool aBigEndian);

// Widens ASCII text (literals, numbers formatted by the C library).
std::u16string AsciiToUtf16(std::string_view aText);
