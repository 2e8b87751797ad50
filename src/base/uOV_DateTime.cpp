#include "base/uOV_DateTime.h"

#include <cmath>
#include <cstdint>

#include "base/uOV_Exception.h"
#include "base/uOV_Text.h"

namespace {

constexpr int64_t kMillisecondsPerDay = 86400000;
// Days from 0001-01-01 to 1899-12-30.
constexpr int64_t kDelphiEpochOffset = 693594;

bool IsLeapYear(int aYear) { return (aYear % 4 == 0 && aYear % 100 != 0) || aYear % 400 == 0; }

int DaysInMonth(int aYear, int aMonth) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return aMonth == 2 && IsLeapYear(aYear) ? 29 : kDays[aMonth - 1];
}

// Days since 1899-12-30 of a valid calendar date.
int64_t DayNumber(int aYear, int aMonth, int aDay) {
  int64_t days = 0;
  for (int m = 1; m < aMonth; ++m) days += DaysInMonth(aYear, m);
  const int64_t y = aYear - 1;
  days += aDay + y * 365 + y / 4 - y / 100 + y / 400;
  return days - kDelphiEpochOffset;
}

void CivilFromDayNumber(int64_t aDays, int& aYear, int& aMonth, int& aDay) {
  // Howard Hinnant's algorithm, shifted from 1970-01-01 to 1899-12-30.
  int64_t z = aDays - 25569 + 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  aDay = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  aMonth = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  aYear = static_cast<int>(yoe + era * 400 + (aMonth <= 2 ? 1 : 0));
}

std::u16string Padded(int aValue, int aWidth) {
  std::u16string text = IntToStr(aValue);
  if (static_cast<int>(text.size()) < aWidth) text.insert(0, size_t(aWidth) - text.size(), u'0');
  return text;
}

// Characters aFirst..aFirst+aCount-1 (counted from 1), clipped to the text.
std::u16string_view Slice(std::u16string_view aText, size_t aFirst, size_t aCount) {
  if (aFirst - 1 >= aText.size()) return {};
  return aText.substr(aFirst - 1, aCount);
}

bool ReadField(std::u16string_view aText, size_t aFirst, size_t aCount, int& aValue) {
  int32_t value = 0;
  if (!TryStrToInt(Slice(aText, aFirst, aCount), value)) return false;
  aValue = value;
  return true;
}

}  // namespace

bool TryEncodeDate(int aYear, int aMonth, int aDay, ovDateTime& aDate) {
  if (aYear < 1 || aYear > 9999 || aMonth < 1 || aMonth > 12 || aDay < 1 ||
      aDay > DaysInMonth(aYear, aMonth)) {
    return false;
  }
  aDate = static_cast<double>(DayNumber(aYear, aMonth, aDay));
  return true;
}

bool TryEncodeDateTime(const ovLocalTime& aParts, ovDateTime& aValue) {
  ovDateTime date = 0;
  if (!TryEncodeDate(aParts.Year, aParts.Month, aParts.Day, date)) return false;
  if (aParts.Hour < 0 || aParts.Hour > 23 || aParts.Minute < 0 || aParts.Minute > 59 ||
      aParts.Second < 0 || aParts.Second > 59 || aParts.Millisecond < 0 || aParts.Millisecond > 999) {
    return false;
  }
  const double time =
      (((aParts.Hour * 60.0 + aParts.Minute) * 60.0 + aParts.Second) * 1000.0 + aParts.Millisecond) /
      kMillisecondsPerDay;
  // Before the epoch the fraction counts away from zero, as the date-time type has it.
  aValue = date < 0 ? date - time : date + time;
  return true;
}

ovLocalTime DecodeDateTime(ovDateTime aValue) {
  ovLocalTime parts;
  if (!std::isfinite(aValue) || std::fabs(aValue) > 3.0e6) return parts;
  double whole = std::trunc(aValue);
  int64_t milliseconds = std::llround(std::fabs(aValue - whole) * kMillisecondsPerDay);
  if (milliseconds >= kMillisecondsPerDay) {  // rounding reached the next day
    milliseconds -= kMillisecondsPerDay;
    whole += aValue < 0 ? -1 : 1;
  }
  CivilFromDayNumber(static_cast<int64_t>(whole), parts.Year, parts.Month, parts.Day);
  parts.Millisecond = static_cast<int>(milliseconds % 1000);
  parts.Second = static_cast<int>(milliseconds / 1000 % 60);
  parts.Minute = static_cast<int>(milliseconds / 60000 % 60);
  parts.Hour = static_cast<int>(milliseconds / 3600000);
  return parts;
}

ovDateTime Now() {
  ovDateTime value = 0;
  TryEncodeDateTime(LocalTimeNow(), value);
  return value;
}

std::u16string FormatDateTime(std::u16string_view aFormat, ovDateTime aValue,
                              const ovRegionalSettings& aSettings) {
  const ovLocalTime p = DecodeDateTime(aValue);
  std::u16string out;
  size_t i = 0;
  auto runOf = [&](char16_t letter) {
    size_t count = 0;
    while (i + count < aFormat.size() && (aFormat[i + count] | 0x20) == letter) ++count;
    return count;
  };
  while (i < aFormat.size()) {
    const char16_t c = aFormat[i];
    const char16_t lower = (c >= u'A' && c <= u'Z') ? char16_t(c | 0x20) : c;
    size_t run = 0;
    switch (lower) {
      case u'y':
        run = runOf(u'y');
        out += run >= 3 ? Padded(p.Year, 4) : Padded(p.Year % 100, 2);
        break;
      case u'm':
        run = std::min<size_t>(runOf(u'm'), 2);
        out += Padded(p.Month, int(run));
        break;
      case u'd':
        run = std::min<size_t>(runOf(u'd'), 2);
        out += Padded(p.Day, int(run));
        break;
      case u'h':
        run = std::min<size_t>(runOf(u'h'), 2);
        out += Padded(p.Hour, int(run));
        break;
      case u'n':
        run = std::min<size_t>(runOf(u'n'), 2);
        out += Padded(p.Minute, int(run));
        break;
      case u's':
        run = std::min<size_t>(runOf(u's'), 2);
        out += Padded(p.Second, int(run));
        break;
      case u'z':
        run = runOf(u'z') >= 3 ? 3 : 1;
        out += Padded(p.Millisecond, run == 3 ? 3 : 1);
        break;
      case u'/':
        run = 1;
        out += aSettings.DateSeparator;
        break;
      case u':':
        run = 1;
        out += aSettings.TimeSeparator;
        break;
      case u'\'':
      case u'"': {
        const size_t close = aFormat.find(c, i + 1);
        const size_t end = close == std::u16string_view::npos ? aFormat.size() : close;
        out += aFormat.substr(i + 1, end - i - 1);
        run = end - i + (close == std::u16string_view::npos ? 0 : 1);
        break;
      }
      default:
        run = 1;
        out += c;
        break;
    }
    i += run;
  }
  return out;
}

std::u16string DateToShortDateText(ovDateTime aValue) {
  const ovRegionalSettings settings = RegionalSettings();
  return FormatDateTime(settings.ShortDateFormat, aValue, settings);
}

ovDateTime ISOStringToDate(std::u16string_view aText) {
  int year = 0, month = 0, day = 0;
  ovDateTime date = 0;
  if (!ReadField(aText, 1, 4, year) || !ReadField(aText, 6, 2, month) || !ReadField(aText, 9, 2, day) ||
      !TryEncodeDate(year, month, day, date)) {
    throw tOV_Exception(u"Date Format invalid: [" + std::u16string(aText) + u"]");
  }
  return date;
}

ovDateTime ISOStringToDateTime(std::u16string_view aText) {
  ovLocalTime parts;
  ovDateTime value = 0;
  if (!ReadField(aText, 1, 4, parts.Year) || !ReadField(aText, 6, 2, parts.Month) ||
      !ReadField(aText, 9, 2, parts.Day) || !ReadField(aText, 12, 2, parts.Hour) ||
      !ReadField(aText, 15, 2, parts.Minute) || !ReadField(aText, 18, 2, parts.Second)) {
    throw tOV_Exception(u"DateTime Format invalid: [" + std::u16string(aText) + u"]");
  }
  if (!ReadField(aText, 21, 3, parts.Millisecond)) parts.Millisecond = 0;
  if (!TryEncodeDateTime(parts, value)) {
    throw tOV_Exception(u"DateTime Format invalid: [" + std::u16string(aText) + u"]");
  }
  return value;
}
