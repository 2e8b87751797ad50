#include "db/uOV_IniFile.h"

#include "base/uOV_Text.h"
#include "platform/ovCodePage.h"
#include "platform/ovFiles.h"
#include "platform/ovRegional.h"

namespace {

bool ReadTextFile(const std::u16string& aPath, std::u16string& aText) {
  std::string bytes;
  if (!FileExists(aPath) || !ReadFileBytes(aPath, bytes)) return false;
  aText = DecodeTextFileBytes(bytes, RegionalSettings().AnsiCodePage);
  return true;
}

// One pair of matching quotes around a value is not part of it.
std::u16string WithoutQuotes(std::u16string aValue) {
  if (aValue.size() >= 2 && (aValue.front() == u'"' || aValue.front() == u'\'') &&
      aValue.back() == aValue.front()) {
    return aValue.substr(1, aValue.size() - 2);
  }
  return aValue;
}

}  // namespace

std::vector<std::u16string> SplitTextLines(std::u16string_view aText) {
  std::vector<std::u16string> lines;
  size_t start = 0;
  while (start < aText.size()) {
    size_t end = start;
    while (end < aText.size() && aText[end] != u'\r' && aText[end] != u'\n') ++end;
    lines.emplace_back(aText.substr(start, end - start));
    if (end < aText.size() && aText[end] == u'\r' && end + 1 < aText.size() && aText[end + 1] == u'\n') {
      ++end;
    }
    start = end + 1;
  }
  return lines;
}

bool LoadTextFileLines(const std::u16string& aPath, std::vector<std::u16string>& aLines) {
  std::u16string text;
  if (!ReadTextFile(aPath, text)) return false;
  aLines = SplitTextLines(text);
  return true;
}

bool tOV_IniFile::LoadFromFile(const std::u16string& aPath) {
  std::u16string text;
  const bool found = ReadTextFile(aPath, text);
  LoadFromText(found ? std::u16string_view(text) : std::u16string_view());
  return found;
}

void tOV_IniFile::LoadFromText(std::u16string_view aText) {
  fLines = SplitTextLines(aText);
  fSections.clear();
  Section* current = nullptr;  // keys before the first section belong to none
  for (const auto& rawLine : fLines) {
    const std::u16string line = Trim(rawLine);
    if (line.empty() || line.front() == u';') continue;
    if (line.front() == u'[') {
      const size_t close = line.rfind(u']');
      if (close != std::u16string::npos) {
        fSections.push_back(Section{Trim(std::u16string_view(line).substr(1, close - 1)), {}});
        current = &fSections.back();
        continue;
      }
    }
    if (current == nullptr) continue;
    const size_t equals = line.find(u'=');
    if (equals == std::u16string::npos) {
      current->entries.push_back(Entry{line, {}, false});
    } else {
      current->entries.push_back(Entry{Trim(std::u16string_view(line).substr(0, equals)),
                                       WithoutQuotes(Trim(std::u16string_view(line).substr(equals + 1))), true});
    }
  }
}

const tOV_IniFile::Section* tOV_IniFile::FindSection(std::u16string_view aSection) const {
  for (const auto& section : fSections) {
    if (SameText(section.name, aSection)) return &section;
  }
  return nullptr;
}

bool tOV_IniFile::SectionExists(std::u16string_view aSection) const {
  return FindSection(aSection) != nullptr;
}

std::vector<std::u16string> tOV_IniFile::SectionNames() const {
  std::vector<std::u16string> names;
  names.reserve(fSections.size());
  for (const auto& section : fSections) names.push_back(section.name);
  return names;
}

std::u16string tOV_IniFile::ReadString(std::u16string_view aSection, std::u16string_view aKey,
                                       std::u16string_view aDefault) const {
  if (const Section* section = FindSection(aSection)) {
    for (const auto& entry : section->entries) {
      if (SameText(entry.key, aKey)) return entry.hasValue ? entry.value : std::u16string(aDefault);
    }
  }
  return std::u16string(aDefault);
}
