#include "platform/ovFiles.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/ovUtf.h"

namespace {

std::string Native(const std::u16string& aPath) { return Utf16ToUtf8(aPath); }

}  // namespace

bool FileExists(const std::u16string& aPath) {
  struct stat info{};
  return stat(Native(aPath).c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool DirectoryExists(const std::u16string& aPath) {
  struct stat info{};
  return stat(Native(aPath).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool ForceDirectories(const std::u16string& aPath) {
  if (aPath.empty()) return false;
  std::error_code error;
  std::filesystem::create_directories(std::filesystem::path(Native(aPath)), error);
  return DirectoryExists(aPath);
}

int64_t FileSize(const std::u16string& aPath) {
  struct stat info{};
  if (stat(Native(aPath).c_str(), &info) != 0) return -1;
  return static_cast<int64_t>(info.st_size);
}

bool AppendToFile(const std::u16string& aPath, const std::string& aBytes) {
  const int fd = open(Native(aPath).c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  size_t written = 0;
  bool ok = true;
  while (written < aBytes.size()) {
    const ssize_t n = write(fd, aBytes.data() + written, aBytes.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = false;
      break;
    }
    written += static_cast<size_t>(n);
  }
  if (close(fd) != 0) ok = false;
  return ok;
}

bool MoveFileNoReplace(const std::u16string& aFrom, const std::u16string& aTo) {
  const std::string from = Native(aFrom);
  const std::string to = Native(aTo);
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // File systems without RENAME_NOREPLACE: a hard link fails on an existing target.
  if (link(from.c_str(), to.c_str()) != 0) return false;
  return unlink(from.c_str()) == 0;
}

bool ReadFileBytes(const std::u16string& aPath, std::string& aBytes) {
  std::ifstream file(Native(aPath), std::ios::binary);
  if (!file) return false;
  aBytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  return !file.bad();
}
