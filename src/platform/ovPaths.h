// Path text helpers. The delimiter is the platform's ("\\" on Windows, where
// "/" and a drive's ":" delimit too; "/" elsewhere); joining inserts one
// delimiter unless the folder already ends with one.
#pragma once

#include <string>

#if defined(_WIN32)
constexpr char16_t kPathDelimiter = u'\\';
#else
constexpr char16_t kPathDelimiter = u'/';
#endif

// Whether the character ends a folder or drive part of a path.
bool IsPathDelimiter(char16_t aCharacter);

std::u16string JoinPath(const std::u16string& aFolder, const std::u16string& aName);
// The part after the last delimiter.
std::u16string ExtractFileName(const std::u16string& aPath);
// The part before the last delimiter (empty when there is none).
std::u16string ExtractFileDir(const std::u16string& aPath);
// The path without its extension (everything before the extension's ".").
std::u16string RemoveFileExtension(const std::u16string& aPath);
// Whether the text can name a file on this platform.
bool IsValidPath(const std::u16string& aPath);
