// Sectioned settings files ("bot.ini" and the like) read the way the Windows
// private-profile functions read them: section and key names compared
// without regard to case, names and values trimmed, one pair of enclosing
// quotes removed from a value, the first section and the first key of a name
// winning. Also the plain line list that setup files are loaded into.
#pragma once

#include <string>
#include <string_view>
#include <vector>

class tOV_IniFile {
 public:
  // Reads and decodes the file (byte-order mark, else the ANSI code page).
  // Answers false when it cannot be read; the reader is then empty.
  bool LoadFromFile(const std::u16string& aPath);
  void LoadFromText(std::u16string_view aText);

  bool SectionExists(std::u16string_view aSection) const;
  // Section names in file order, as written between the brackets (trimmed).
  std::vector<std::u16string> SectionNames() const;
  // The key's value, or aDefault when the section or the key is missing.
  std::u16string ReadString(std::u16string_view aSection, std::u16string_view aKey,
                            std::u16string_view aDefault = {}) const;

  // The text lines of the file as it was loaded.
  const std::vector<std::u16string>& Lines() const { return fLines; }

 private:
  struct Entry {
    std::u16string key;
    std::u16string value;
    bool hasValue = false;  // a line without "=" names a key but gives no value
  };
  struct Section {
    std::u16string name;
    std::vector<Entry> entries;
  };

  const Section* FindSection(std::u16string_view aSection) const;

  std::vector<std::u16string> fLines;
  std::vector<Section> fSections;
};

// Splits at CR LF, LF or CR, as a text line list does; a final line break
// does not make an empty last line.
std::vector<std::u16string> SplitTextLines(std::u16string_view aText);
// Loads a text file (byte-order mark, else the ANSI code page) as lines.
// Answers false, leaving aLines alone, when the file cannot be read.
bool LoadTextFileLines(const std::u16string& aPath, std::vector<std::u16string>& aLines);
