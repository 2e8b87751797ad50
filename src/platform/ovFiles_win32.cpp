#include <windows.h>

#include <filesystem>
#include <system_error>

#include "platform/ovFiles.h"

namespace {

LPCWSTR Wide(const std::u16string& aPath) { return reinterpret_cast<LPCWSTR>(aPath.c_str()); }

DWORD Attributes(const std::u16string& aPath) { return GetFileAttributesW(Wide(aPath)); }

// Closes a file handle on every path.
class FileHandle {
 public:
  explicit FileHandle(HANDLE aHandle) : fHandle(aHandle) {}
  ~FileHandle() {
    if (fHandle != INVALID_HANDLE_VALUE) CloseHandle(fHandle);
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  HANDLE Get() const { return fHandle; }
  bool Valid() const { return fHandle != INVALID_HANDLE_VALUE; }
  // Closes now, answering whether the system did.
  bool Close() {
    const bool closed = CloseHandle(fHandle) != 0;
    fHandle = INVALID_HANDLE_VALUE;
    return closed;
  }

 private:
  HANDLE fHandle;
};

}  // namespace

bool FileExists(const std::u16string& aPath) {
  const DWORD attributes = Attributes(aPath);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool DirectoryExists(const std::u16string& aPath) {
  const DWORD attributes = Attributes(aPath);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool ForceDirectories(const std::u16string& aPath) {
  if (aPath.empty()) return false;
  std::error_code error;
  std::filesystem::create_directories(std::filesystem::path(std::wstring(aPath.begin(), aPath.end())), error);
  return DirectoryExists(aPath);
}

int64_t FileSize(const std::u16string& aPath) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(Wide(aPath), GetFileExInfoStandard, &data)) return -1;
  return (int64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool AppendToFile(const std::u16string& aPath, const std::string& aBytes) {
  // Others may read, append to, move or delete the file between our lines.
  FileHandle file(CreateFileW(Wide(aPath), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) return false;
  size_t written = 0;
  while (written < aBytes.size()) {
    const DWORD chunk = DWORD(std::min<size_t>(aBytes.size() - written, 1u << 30));
    DWORD done = 0;
    if (!WriteFile(file.Get(), aBytes.data() + written, chunk, &done, nullptr) || done == 0) return false;
    written += done;
  }
  return file.Close();
}

bool MoveFileNoReplace(const std::u16string& aFrom, const std::u16string& aTo) {
  return MoveFileExW(Wide(aFrom), Wide(aTo), 0) != 0;  // without MOVEFILE_REPLACE_EXISTING
}

bool ReadFileBytes(const std::u16string& aPath, std::string& aBytes) {
  FileHandle file(CreateFileW(Wide(aPath), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) return false;
  aBytes.clear();
  char buffer[65536];
  for (;;) {
    DWORD done = 0;
    if (!ReadFile(file.Get(), buffer, sizeof buffer, &done, nullptr)) return false;
    if (done == 0) return true;
    aBytes.append(buffer, done);
  }
}
