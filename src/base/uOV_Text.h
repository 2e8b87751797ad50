// Small helpers over the library's UTF-16 text (the UTF-8 conversions come
// from platform/ovUtf.h): ASCII case folding as the word tables use it,
// trimming, and exact decimal/whole-number conversions.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ovUtf.h"

// Case folding of the letters A-Z only, the way the word tables and the
// parameter names compare.
std::u16string LowerCase(std::u16string_view aText);
std::u16string UpperCase(std::u16string_view aText);
bool SameText(std::u16string_view aLeft, std::u16string_view aRight);
bool StartsText(std::u16string_view aPrefix, std::u16string_view aText);

// In a list of "name=value" lines, the value of the first line whose name
// (the text before its first "=") equals aName without regard to case; the
// value is the rest of the line as it stands. Lines without "=" name nothing.
bool FindNameValue(const std::vector<std::u16string>& aLines, std::u16string_view aName, std::u16string& aValue);

// Removes blanks and control characters (code units up to 32) at both ends.
std::u16string Trim(std::u16string_view aText);

// Replaces every occurrence of aFrom, comparing without regard to ASCII case
// when aIgnoreCase is set.
std::u16string ReplaceAll(std::u16string_view aText, std::u16string_view aFrom,
                          std::u16string_view aTo, bool aIgnoreCase = false);

std::u16string IntToStr(int64_t aValue);

// Whole-number rule: optional leading blanks, optional sign, then decimal
// digits, or hexadecimal digits after "$", "x", "X", "0x" or "0X". Nothing may
// follow the digits and the value must fit 32 bits. Answers false otherwise.
bool TryStrToInt(std::u16string_view aText, int32_t& aValue);
// As TryStrToInt; raises "'%s' is not a valid integer value".
int32_t StrToInt(std::u16string_view aText);
