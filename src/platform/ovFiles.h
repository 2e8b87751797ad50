// File-system operations the library needs, each answering whether it worked
// instead of raising: the callers decide what a failure means.
#pragma once

#include <cstdint>
#include <string>

bool FileExists(const std::u16string& aPath);
bool DirectoryExists(const std::u16string& aPath);
// Creates the folder with any missing parents.
bool ForceDirectories(const std::u16string& aPath);
// Size in bytes, or -1 when it cannot be read (the file does not exist).
int64_t FileSize(const std::u16string& aPath);
// Opens for appending (creating the file when missing), writes, flushes and
// closes: the file is never held open between calls.
bool AppendToFile(const std::u16string& aPath, const std::string& aBytes);
// Moves a file; fails rather than replace an existing target.
bool MoveFileNoReplace(const std::u16string& aFrom, const std::u16string& aTo);
bool ReadFileBytes(const std::u16string& aPath, std::string& aBytes);
