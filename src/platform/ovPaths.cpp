#include "platform/ovPaths.h"

namespace {

// The position of the last delimiter, or npos.
size_t LastDelimiter(const std::u16string& aPath) {
  for (size_t i = aPath.size(); i > 0; --i) {
    if (IsPathDelimiter(aPath[i - 1])) return i - 1;
  }
  return std::u16string::npos;
}

}  // namespace

std::u16string JoinPath(const std::u16string& aFolder, const std::u16string& aName) {
  if (aFolder.empty()) return aName;
  if (IsPathDelimiter(aFolder.back())) return aFolder + aName;
  return aFolder + kPathDelimiter + aName;
}

std::u16string ExtractFileName(const std::u16string& aPath) {
  const auto slash = LastDelimiter(aPath);
  return slash == std::u16string::npos ? aPath : aPath.substr(slash + 1);
}

std::u16string ExtractFileDir(const std::u16string& aPath) {
  const auto slash = LastDelimiter(aPath);
  if (slash == std::u16string::npos) return {};
  // A root keeps its delimiter ("/", "C:\\"), and a drive its colon ("C:").
  const bool drive = IsPathDelimiter(u':') && (aPath[slash] == u':' || aPath[slash - 1] == u':');
  if (slash == 0 || drive) return aPath.substr(0, slash + 1);
  return aPath.substr(0, slash);
}

std::u16string RemoveFileExtension(const std::u16string& aPath) {
  const auto slash = LastDelimiter(aPath);
  const auto dot = aPath.rfind(u'.');
  if (dot == std::u16string::npos || (slash != std::u16string::npos && dot < slash)) return aPath;
  return aPath.substr(0, dot);
}
