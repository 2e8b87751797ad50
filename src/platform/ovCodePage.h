// Windows code page numbers on the system's converters (iconv on POSIX,
// MultiByteToWideChar on Windows), for
// settings files without a byte-order mark and for text sent by handlers that
// work in a code page.
#pragma once

#include <string>

// Answers false when the code page is unknown or the bytes do not convert.
bool DecodeFromCodePage(const std::string& aBytes, int aCodePage, std::u16string& aText);
bool EncodeToCodePage(const std::u16string& aText, int aCodePage, std::string& aBytes);

// A text file as text: a byte-order mark selects UTF-8 or UTF-16 (LE or BE);
// without one the bytes are read in aAnsiCodePage. Bytes that do not convert
// are read as UTF-8 with replacement characters rather than lost.
std::u16string DecodeTextFileBytes(const std::string& aBytes, int aAnsiCodePage);
