#include "support/WholeFile.h"

#include <fstream>
#include <sstream>

std::string ReadWholeFile(const std::filesystem::path& aPath) {
  std::ifstream file(aPath, std::ios::binary);
  std::stringstream content;
  content << file.rdbuf();
  return content.str();
}
