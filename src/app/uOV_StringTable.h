// The library's string table: texts by numeric id, compiled into the library.
// The application information is read from it (ids from 10000 upward).
#pragma once

#include <cstdint>
#include <string>

// Longest text the application information takes from one id, in UTF-16
// code units (the reader's buffer holds 1024 with the terminator).
constexpr size_t kMaxStringTableText = 1023;

// The text with this id, whole; empty when the table has none.
std::u16string LoadLibraryString(int32_t aId);
