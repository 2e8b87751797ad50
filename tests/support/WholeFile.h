// A file's bytes as one string, for tests that read what the code wrote
// (logs, settings); empty when it cannot be read.
#pragma once

#include <filesystem>
#include <string>

std::string ReadWholeFile(const std::filesystem::path& aPath);
