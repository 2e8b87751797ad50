#include <gtest/gtest.h>

#include "base/uOV_DateTime.h"
#include "support/FailureOf.h"

namespace {

ovDateTime At(int y, int m, int d, int h = 0, int n = 0, int s = 0, int z = 0) {
  ovDateTime value = 0;
  EXPECT_TRUE(TryEncodeDateTime({y, m, d, h, n, s, z}, value));
  return value;
}

TEST(DateTime, CountsDaysFromTheEpoch) {
  EXPECT_EQ(At(1899, 12, 30), 0.0);
  EXPECT_EQ(At(1900, 1, 1), 2.0);
  EXPECT_EQ(At(2024, 9, 27), 45562.0);
  EXPECT_EQ(At(1899, 12, 29, 12), -1.5);
  const ovLocalTime parts = DecodeDateTime(At(2024, 3, 5, 14, 7, 9, 250));
  EXPECT_EQ(parts.Year, 2024);
  EXPECT_EQ(parts.Month, 3);
  EXPECT_EQ(parts.Day, 5);
  EXPECT_EQ(parts.Hour, 14);
  EXPECT_EQ(parts.Minute, 7);
  EXPECT_EQ(parts.Second, 9);
  EXPECT_EQ(parts.Millisecond, 250);
}

TEST(DateTime, RejectsInvalidCalendarDates) {
  ovDateTime value = 0;
  EXPECT_FALSE(TryEncodeDate(2023, 2, 29, value));
  EXPECT_TRUE(TryEncodeDate(2024, 2, 29, value));
  EXPECT_FALSE(TryEncodeDate(0, 1, 1, value));
  EXPECT_FALSE(TryEncodeDate(10000, 1, 1, value));
  EXPECT_FALSE(TryEncodeDateTime({2024, 1, 1, 24, 0, 0, 0}, value));
}

TEST(DateTime, FormatsPatternsWithTheRegionalSeparators) {
  const ovDateTime value = At(2024, 3, 15, 14, 30, 5, 123);
  EXPECT_EQ(FormatDateTime(u"yyyy-mm-dd hh:nn:ss:zzz", value), u"2024-03-15 14:30:05:123");
  EXPECT_EQ(FormatDateTime(u"yyyymmddhhnnsszzz", value), u"20240315143005123");
  ovRegionalSettings dotted;
  dotted.TimeSeparator = u'.';
  dotted.DateSeparator = u'-';
  EXPECT_EQ(FormatDateTime(u"dd/mm/yyyy hh:nn", value, dotted), u"15-03-2024 14.30");
  EXPECT_EQ(FormatDateTime(u"'T'hh':'nn", value, dotted), u"T14:30");
}

TEST(DateTime, ReadsFixedPositions) {
  EXPECT_EQ(ISOStringToDateTime(u"2024-03-05 14:07:09"), At(2024, 3, 5, 14, 7, 9));
  EXPECT_EQ(ISOStringToDateTime(u"2024-03-05T14:07:09Z"), At(2024, 3, 5, 14, 7, 9));
  EXPECT_EQ(ISOStringToDateTime(u"2024-03-05T14:07:09+02:00"), At(2024, 3, 5, 14, 7, 9));
  EXPECT_EQ(ISOStringToDateTime(u"2024-03-05T14:07:09.250"), At(2024, 3, 5, 14, 7, 9, 250));
  EXPECT_EQ(ISOStringToDate(u"2024-03-05"), At(2024, 3, 5));
}

TEST(DateTime, ReportsUnreadableTextWithoutReadingPastIt) {
  const struct {
    const char16_t* text;
    bool dateTime;
    const char16_t* message;
  } cases[] = {
      {u"2024-03-05", true, u"DateTime Format invalid: [2024-03-05]"},
      {u"", true, u"DateTime Format invalid: []"},
      {u"2", true, u"DateTime Format invalid: [2]"},
      {u"2024-02-30T00:00:00", true, u"DateTime Format invalid: [2024-02-30T00:00:00]"},
      {u"2024-03-05T25:00:00", true, u"DateTime Format invalid: [2024-03-05T25:00:00]"},
      {u"2024-13-01", false, u"Date Format invalid: [2024-13-01]"},
      {u"20", false, u"Date Format invalid: [20]"},
      {u"", false, u"Date Format invalid: []"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FailureOf([&] { c.dateTime ? ISOStringToDateTime(c.text) : ISOStringToDate(c.text); }), c.message);
  }
}

}  // namespace
