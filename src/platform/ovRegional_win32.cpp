#include <windows.h>

#include "platform/ovRegional.h"

namespace {

// One value of the user's locale; empty when the system has none.
std::u16string LocaleValue(LCTYPE aType) {
  wchar_t buffer[LOCALE_NAME_MAX_LENGTH * 2] = {};
  const int length = GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, aType, buffer, int(sizeof buffer / sizeof *buffer));
  if (length <= 1) return {};
  return std::u16string(reinterpret_cast<const char16_t*>(buffer), size_t(length - 1));
}

// The first character of a separator, or the default when the locale gives none.
char16_t Separator(LCTYPE aType, char16_t aDefault) {
  const std::u16string value = LocaleValue(aType);
  return value.empty() ? aDefault : value.front();
}

}  // namespace

// The short date format keeps the system's letters (d, M, y; quoted literals),
// which the date formatter reads without regard to letter case.
ovRegionalSettings SystemRegionalSettings() {
  ovRegionalSettings settings;
  const std::u16string shortDate = LocaleValue(LOCALE_SSHORTDATE);
  if (!shortDate.empty()) settings.ShortDateFormat = shortDate;
  settings.DateSeparator = Separator(LOCALE_SDATE, settings.DateSeparator);
  settings.TimeSeparator = Separator(LOCALE_STIME, settings.TimeSeparator);
  settings.DecimalSeparator = Separator(LOCALE_SDECIMAL, settings.DecimalSeparator);
  settings.AnsiCodePage = int(GetACP());
  return settings;
}
