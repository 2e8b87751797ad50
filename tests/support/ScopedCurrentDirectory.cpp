#include "support/ScopedCurrentDirectory.h"

ScopedCurrentDirectory::ScopedCurrentDirectory(const std::u16string& aFolder)
    : fPrevious(std::filesystem::current_path()) {
  std::filesystem::current_path(std::filesystem::path(aFolder));
}

ScopedCurrentDirectory::~ScopedCurrentDirectory() {
  std::error_code ignored;  // the previous folder may be gone; nothing to do then
  std::filesystem::current_path(fPrevious, ignored);
}
