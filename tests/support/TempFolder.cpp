#include "support/TempFolder.h"

#include <cstdlib>
#include <stdexcept>

#include "base/uOV_Text.h"

TempFolder::TempFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "ovpa-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  fPath = pattern;
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(fPath, ignored);
}

std::u16string TempFolder::Path16() const { return Utf8ToUtf16(fPath.string()); }
