// Makes a folder the process's current directory for one test, as a host
// that starts in its own folder does, and goes back afterwards.
#pragma once

#include <filesystem>
#include <string>

class ScopedCurrentDirectory {
 public:
  explicit ScopedCurrentDirectory(const std::u16string& aFolder);
  ~ScopedCurrentDirectory();
  ScopedCurrentDirectory(const ScopedCurrentDirectory&) = delete;
  ScopedCurrentDirectory& operator=(const ScopedCurrentDirectory&) = delete;

 private:
  std::filesystem::path fPrevious;
};
