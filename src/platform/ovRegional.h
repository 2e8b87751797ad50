// The process's regional settings, as the system's formatting rules read
// them: on Windows the user's locale, read once; on POSIX, where the C locale
// rules, short date dd/mm/yyyy, date separator "/", time separator ":",
// decimal separator ".", ANSI code page 1253 (the deployment's Greek code
// page). Tests set other values.
#pragma once

#include <string>

struct ovRegionalSettings {
  std::u16string ShortDateFormat = u"dd/mm/yyyy";
  char16_t DateSeparator = u'/';
  char16_t TimeSeparator = u':';
  char16_t DecimalSeparator = u'.';
  int AnsiCodePage = 1253;
};

ovRegionalSettings RegionalSettings();
void SetRegionalSettings(const ovRegionalSettings& aSettings);

// What the system says, before any test changes it (one implementation per system).
ovRegionalSettings SystemRegionalSettings();
