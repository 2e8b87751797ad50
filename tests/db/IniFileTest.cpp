#include "db/uOV_IniFile.h"

#include <gtest/gtest.h>

#include <fstream>

#include "platform/ovUtf.h"
#include "support/TempFolder.h"

namespace {

const char16_t* const kSample =
    u"Cfg_DataSource=before any section\r\n"
    u"[Parametri Generali]\r\n"
    u"Lingua=IT\r\n"
    u"[ Prod ]\r\n"
    u"  Cfg_DataSource =  srv01,1433  \r\n"
    u"cfg_dbname=Shop\r\n"
    u"; Cfg_UserName=commented out\r\n"
    u"Cfg_UserPwd=\"  spaced secret  \"\r\n"
    u"Cfg_Quoted='single'\r\n"
    u"Cfg_HalfQuoted=\"open\r\n"
    u"Cfg_NoValue\r\n"
    u"Cfg_Empty=\r\n"
    u"Cfg_DbName=second key of the same name\r\n"
    u"Cfg_Equals=a=b=c\r\n"
    u"[prod]\n"
    u"Cfg_Later=only in the second Prod section\n"
    u"[Test]\r"
    u"Cfg_DbName=ShopTest\r";

TEST(IniFileTest, ReadsKeysAsThePrivateProfileFunctionsDo) {
  tOV_IniFile ini;
  ini.LoadFromText(kSample);
  struct Case {
    const char16_t* section;
    const char16_t* key;
    const char16_t* expected;
  };
  const Case cases[] = {
      {u"Prod", u"Cfg_DataSource", u"srv01,1433"},      // name and value trimmed
      {u"PROD", u"CFG_DATASOURCE", u"srv01,1433"},      // names without regard to case
      {u"prod", u"Cfg_DbName", u"Shop"},                // the first key of a name wins
      {u"Prod", u"Cfg_UserName", u"<default>"},         // a comment line is no key
      {u"Prod", u"Cfg_UserPwd", u"  spaced secret  "},  // enclosing quotes removed, inside kept
      {u"Prod", u"Cfg_Quoted", u"single"},
      {u"Prod", u"Cfg_HalfQuoted", u"\"open"},          // no matching quote: kept
      {u"Prod", u"Cfg_NoValue", u"<default>"},          // a line without "=" gives no value
      {u"Prod", u"Cfg_Empty", u""},
      {u"Prod", u"Cfg_Equals", u"a=b=c"},               // the first "=" separates
      {u"Prod", u"Cfg_Later", u"<default>"},            // only the first section of a name counts
      {u"Test", u"Cfg_DbName", u"ShopTest"},            // CR-only line ends
      {u"parametri generali", u"Lingua", u"IT"},
      {u"Missing", u"Cfg_DbName", u"<default>"},
      {u"", u"Cfg_DataSource", u"<default>"},           // keys before the first section are unreachable
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ini.ReadString(c.section, c.key, u"<default>"), c.expected)
        << Utf16ToUtf8(c.section) << "/" << Utf16ToUtf8(c.key);
  }
}

TEST(IniFileTest, ListsSectionsInFileOrderAndFindsThemWithoutRegardToCase) {
  tOV_IniFile ini;
  ini.LoadFromText(kSample);
  EXPECT_EQ(ini.SectionNames(), (std::vector<std::u16string>{u"Parametri Generali", u"Prod", u"prod", u"Test"}));
  EXPECT_TRUE(ini.SectionExists(u"TEST"));
  EXPECT_TRUE(ini.SectionExists(u"parametri generali"));
  EXPECT_FALSE(ini.SectionExists(u"Tes"));
  EXPECT_FALSE(ini.SectionExists(u""));
}

TEST(IniFileTest, DecodesFilesByByteOrderMarkOrAnsiCodePage) {
  TempFolder folder;
  struct Case {
    const char* name;
    std::string bytes;
  };
  // "[Αθήνα]\nCfg_DbName=Κατάστημα" in each encoding.
  const std::u16string section = u"Αθήνα";
  const std::u16string value = u"Κατάστημα";
  std::string utf16le = "\xFF\xFE";
  for (char16_t c : u"[" + section + u"]\nCfg_DbName=" + value) {
    utf16le += static_cast<char>(c & 0xFF);
    utf16le += static_cast<char>(c >> 8);
  }
  const Case cases[] = {
      {"utf8-bom.ini", "\xEF\xBB\xBF[" + Utf16ToUtf8(section) + "]\nCfg_DbName=" + Utf16ToUtf8(value)},
      {"utf16le.ini", utf16le},
      // Windows-1253, the ANSI code page of the C locale here.
      {"ansi.ini", "[\xC1\xE8\xDE\xED\xE1]\nCfg_DbName=\xCA\xE1\xF4\xDC\xF3\xF4\xE7\xEC\xE1"},
  };
  for (const auto& c : cases) {
    const auto path = folder.Path() / c.name;
    std::ofstream(path, std::ios::binary) << c.bytes;
    tOV_IniFile ini;
    ASSERT_TRUE(ini.LoadFromFile(Utf8ToUtf16(path.string()))) << c.name;
    EXPECT_EQ(ini.ReadString(section, u"cfg_dbname"), value) << c.name;
  }
}

TEST(IniFileTest, MissingFileAnswersFalseAndLeavesTheReaderEmpty) {
  TempFolder folder;
  tOV_IniFile ini;
  ini.LoadFromText(u"[Prod]\nCfg_DbName=Shop\n");
  EXPECT_FALSE(ini.LoadFromFile(folder.Path16() + u"/bot.ini"));
  EXPECT_FALSE(ini.SectionExists(u"Prod"));
  EXPECT_TRUE(ini.Lines().empty());
}

TEST(IniFileTest, SplitsLinesAtEveryKindOfLineBreak) {
  struct Case {
    const char16_t* text;
    std::vector<std::u16string> lines;
  };
  const Case cases[] = {
      {u"", {}},
      {u"a", {u"a"}},
      {u"a\r\nb\r\n", {u"a", u"b"}},
      {u"a\nb\rc", {u"a", u"b", u"c"}},
      {u"a\r\n\r\nb", {u"a", u"", u"b"}},
      {u"a\n\r b", {u"a", u"", u" b"}},  // LF then CR: two breaks
  };
  for (const auto& c : cases) EXPECT_EQ(SplitTextLines(c.text), c.lines) << Utf16ToUtf8(c.text);
}

TEST(IniFileTest, LoadsTextFileLinesOnlyWhenTheFileExists) {
  TempFolder folder;
  const auto path = folder.Path() / "setup.ini";
  std::ofstream(path, std::ios::binary) << "\xEF\xBB\xBFPrinter=Λέξη\r\nDrawer=1\r\n";
  std::vector<std::u16string> lines{u"kept"};
  EXPECT_FALSE(LoadTextFileLines(folder.Path16() + u"/missing.ini", lines));
  EXPECT_EQ(lines, std::vector<std::u16string>{u"kept"});
  EXPECT_TRUE(LoadTextFileLines(Utf8ToUtf16(path.string()), lines));
  EXPECT_EQ(lines, (std::vector<std::u16string>{u"Printer=Λέξη", u"Drawer=1"}));
}

}  // namespace
