// Path text helpers. The delimiter is the platform's ("/" here); joining
// inserts one delimiter unless the folder already ends with one.
#pragma once

#include <string>

constexpr char16_t kPathDelimiter = u'/';

std::u16string JoinPath(const std::u16string& aFolder, const std::u16string& aName);
// The part after the last delimiter.
std::u16string ExtractFileName(const std::u16string& aPath);
// The part before the last delimiter (empty when there is none).
std::u16string ExtractFileDir(const std::u16string& aPath);
// The path without its extension (everything before the extension's ".").
std::u16string RemoveFileExtension(const std::u16string& aPath);
// Whether the text can name a file on this platform.
bool IsValidPath(const std::u16string& aPath);
