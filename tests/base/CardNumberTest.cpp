#include <gtest/gtest.h>

#include "base/uOV_CardNumber.h"
#include "platform/ovUtf.h"

namespace {

TEST(CardNumber, NoMoreThanTheFirstSixAndLastFourDigitsAreShown) {
  const std::vector<std::pair<std::u16string, std::u16string>> cases = {
      {u"4761739001010010", u"476173******0010"},
      {u"374245001751006", u"374245*****1006"},
      {u"4761739001010010123", u"476173*********0123"},
      {u"476173******0010", u"476173******0010"},  // masked by the service already
      {u"4761 7390 0101 0010", u"4761 7*** **** 0010"},
      {u"123456789012", u"123456**9012"},
      {u"12345678901", u"*******8901"},  // too short to show six and four
      {u"1234", u"1234"},
      {u"", u""},
  };
  for (const auto& [number, masked] : cases) EXPECT_EQ(MaskCardNumber(number), masked) << Utf16ToUtf8(number);
}

}  // namespace
