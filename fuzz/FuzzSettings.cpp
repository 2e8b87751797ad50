// The two settings files as the database proxy reads them, from their bytes:
// the driver's name=value file and the host's sectioned bot.ini.
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/uOV_Text.h"
#include "db/uOV_IniFile.h"
#include "platform/ovCodePage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* aData, size_t aSize) {
  const std::string bytes(reinterpret_cast<const char*>(aData), aSize);
  const std::u16string text = DecodeTextFileBytes(bytes, 1253);

  const std::vector<std::u16string> lines = SplitTextLines(text);
  std::u16string value;
  for (const char16_t* key : {u"DataSource", u"DBName", u"DBUserName", u"DbUserPwd", u"DBDriver"}) {
    FindNameValue(lines, key, value);
  }

  tOV_IniFile settings;
  settings.LoadFromText(text);
  for (const std::u16string& section : settings.SectionNames()) {
    for (const char16_t* key : {u"Cfg_DataSource", u"Cfg_DbName", u"Cfg_UserName", u"Cfg_UserPwd", u"Cfg_EnvType"}) {
      settings.ReadString(section, key);
    }
  }
  return 0;
}
