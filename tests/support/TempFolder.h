// A temporary folder for one test, removed with everything in it when the
// object goes out of scope.
#pragma once

#include <filesystem>
#include <string>

class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& Path() const { return fPath; }
  std::u16string Path16() const;

 private:
  std::filesystem::path fPath;
};
