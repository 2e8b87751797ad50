#include <gtest/gtest.h>

#include "base/uOV_Text.h"
#include "support/FailureOf.h"

namespace {

TEST(Text, ConvertsUtf8AndUtf16BothWays) {
  const std::u16string greek = u"\u039a\u03b1\u03bb\u03b7\u03bc\u03ad\u03c1\u03b1 \U0001F600";
  EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(greek)), greek);
  EXPECT_EQ(Utf8ToUtf16("\xff\xfe"), u"\ufffd\ufffd");
  EXPECT_EQ(Utf16ToUtf8(u"\xd800"), "\xef\xbf\xbd");
}

TEST(Text, ReadsTheWholeNumberRule) {
  const struct {
    const char16_t* text;
    bool ok;
    int32_t value;
  } cases[] = {
      {u"42", true, 42},          {u"  -7", true, -7},        {u"+3", true, 3},         {u"$1F", true, 31},
      {u"0x10", true, 16},        {u"X10", true, 16},         {u"2147483647", true, INT32_MAX},
      {u"-2147483648", true, INT32_MIN}, {u"2147483648", false, 0}, {u"", false, 0},   {u"12 ", false, 0},
      {u"1.5", false, 0},         {u"abc", false, 0},         {u"-", false, 0},
  };
  for (const auto& c : cases) {
    int32_t value = 0;
    EXPECT_EQ(TryStrToInt(c.text, value), c.ok);
    if (c.ok) {
      EXPECT_EQ(value, c.value);
    }
  }
  EXPECT_EQ(FailureOf([] { StrToInt(u"x1y"); }), u"'x1y' is not a valid integer value");
}

TEST(Text, FoldsAsciiCaseOnly) {
  EXPECT_EQ(LowerCase(u"TermId \u0391"), u"termid \u0391");
  EXPECT_TRUE(SameText(u"HexLog", u"HEXLOG"));
  EXPECT_EQ(ReplaceAll(u"ABC-{{store}}-{{STORE}}", u"{{Store}}", u"12", true), u"ABC-12-12");
  EXPECT_EQ(Trim(u" \t x \r\n"), u"x");
}

}  // namespace
