#include <gtest/gtest.h>

#include "base/uOV_Currency.h"
#include "support/FailureOf.h"

namespace {

TEST(Currency, WritesGeneralDecimalNotation) {
  const struct {
    int64_t ticks;
    const char16_t* text;
    const char16_t* json;
  } cases[] = {
      {125000, u"12.5", u"12.5"},     {10000000, u"1000", u"1000.0"}, {0, u"0", u"0.0"},
      {1, u"0.0001", u"0.0001"},      {-22500, u"-2.25", u"-2.25"},   {-37500, u"-3.75", u"-3.75"},
      {INT64_MIN, u"-922337203685477.5808", u"-922337203685477.5808"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CurrencyToText(ovCurrency::FromTicks(c.ticks)), c.text);
    EXPECT_EQ(CurrencyToJsonNumber(ovCurrency::FromTicks(c.ticks)), c.json);
  }
}

TEST(Currency, ReadsTheAmountRule) {
  const struct {
    const char16_t* text;
    int64_t ticks;
  } cases[] = {
      {u"12.5", 125000},   {u" +12.5 ", 125000}, {u"-0.5", -5000},   {u"1e2", 1000000},
      {u"1.5E-2", 150},    {u".5", 5000},        {u"5.", 50000},     {u"0.00005", 0},
      {u"0.00015", 2},     {u"0.00025", 2},      {u"1.23456", 12346}, {u"922337203685477.5807", INT64_MAX},
  };
  for (const auto& c : cases) {
    ovCurrency value;
    ASSERT_TRUE(TryTextToCurrency(c.text, value)) << std::string(c.text, c.text + std::char_traits<char16_t>::length(c.text));
    EXPECT_EQ(value.Ticks, c.ticks);
  }
}

TEST(Currency, RejectsWhatTheAmountRuleDoesNotAccept) {
  for (const char16_t* text : {u"", u" ", u"1,234.50", u"abc", u"1e", u"--1", u"1.2.3", u"922337203685477.5808", u"1e400"}) {
    ovCurrency value;
    EXPECT_FALSE(TryTextToCurrency(text, value));
  }
  EXPECT_EQ(FailureOf([] { TextToCurrency(u"1,234.50"); }), u"'1,234.50' is not a valid floating point value");
}

TEST(Currency, HonoursAnotherDecimalSeparator) {
  ovCurrency value;
  ASSERT_TRUE(TryTextToCurrency(u"12,34", value, u','));
  EXPECT_EQ(value.Ticks, 123400);
  EXPECT_FALSE(TryTextToCurrency(u"12.34", value, u','));
}

TEST(Currency, TruncatesHundredthsTowardZero) {
  EXPECT_EQ(ovCurrency::FromTicks(123450).TruncatedHundredths(), 1234);
  EXPECT_EQ(ovCurrency::FromTicks(-9990).TruncatedHundredths(), -99);
  EXPECT_EQ(ovCurrency::FromTicks(50).TruncatedHundredths(), 0);
  EXPECT_EQ(ovCurrency::FromHundredths(1250), ovCurrency::FromTicks(125000));
}

}  // namespace
