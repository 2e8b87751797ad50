#include <gtest/gtest.h>

#include "http/uOV_JsonMask.h"
#include "platform/ovUtf.h"

namespace {

struct MaskCase {
  std::u16string text;
  std::u16string masked;
};

void PrintTo(const MaskCase& aCase, std::ostream* aOut) { *aOut << testing::PrintToString(aCase.text); }

class SecretMasking : public testing::TestWithParam<MaskCase> {};

TEST_P(SecretMasking, MasksStringValuesOfSecretMembersOnly) {
  const std::vector<std::u16string> names = {u"password", u"access", u"refresh"};
  EXPECT_EQ(MaskSecretMembers(GetParam().text, names), GetParam().masked) << Utf16ToUtf8(GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SecretMasking,
    testing::Values(
        MaskCase{u"{\"username\":\"u\",\"password\":\"p@ss\"}", u"{\"username\":\"u\",\"password\":\"********\"}"},
        MaskCase{u"{\"access\":\"a.b.c\",\"refresh\":\"r\",\"x\":\"access\"}",
                 u"{\"access\":\"********\",\"refresh\":\"********\",\"x\":\"access\"}"},
        // white space and escapes inside the secret; the layout stays as it was
        MaskCase{u"{ \"a\" : { \"password\" :\n \"x\\\"y\\\\\" } }", u"{ \"a\" : { \"password\" :\n \"********\" } }"},
        MaskCase{u"{\"user\":\"password\"}", u"{\"user\":\"password\"}"},
        MaskCase{u"{\"password\":1234,\"access\":null}", u"{\"password\":1234,\"access\":null}"},
        MaskCase{u"{\"Password\":\"x\"}", u"{\"Password\":\"x\"}"},
        MaskCase{u"{\"pass\\u0077ord\":\"x\"}", u"{\"pass\\u0077ord\":\"********\"}"},
        MaskCase{u"[{\"access\":\"1\"},{\"access\":\"2\"}]", u"[{\"access\":\"********\"},{\"access\":\"********\"}]"},
        // a string that merely looks like a member inside another value
        MaskCase{u"{\"note\":\"\\\"password\\\":\\\"no\\\"\",\"x\":1}",
                 u"{\"note\":\"\\\"password\\\":\\\"no\\\"\",\"x\":1}"},
        // invalid JSON: cut off, garbage, unquoted words
        MaskCase{u"{\"access\":\"eyJhbGciOi", u"{\"access\":\"********"},
        MaskCase{u"{\"refresh\":\"r1\",,, oops \"access\":\"a2\" ]]", u"{\"refresh\":\"********\",,, oops \"access\":\"********\" ]]"},
        MaskCase{u"<html>password: \"x\"</html>", u"<html>password: \"x\"</html>"},
        MaskCase{u"{\"password\"", u"{\"password\""},
        MaskCase{u"{\"password\":", u"{\"password\":"},
        MaskCase{u"{\"pa", u"{\"pa"},
        MaskCase{u"", u""},
        MaskCase{u"{\"password\":\"Κωδικός\"}", u"{\"password\":\"********\"}"}));

TEST(SecretMasking, WithoutNamesTheTextIsUnchanged) {
  const std::u16string text = u"{\"password\":\"p\"}";
  EXPECT_EQ(MaskSecretMembers(text, {}), text);
}

}  // namespace

namespace {

TEST(CardNumberMasking, StringAndNumberValuesOfTheNamedMembersKeepSixAndFour) {
  const std::vector<std::u16string> names = {u"CardPAN"};
  const std::vector<MaskCase> cases = {
      {u"{\"CardPAN\":\"4761739001010010\"}", u"{\"CardPAN\":\"476173******0010\"}"},
      {u"{\"CardPAN\":4761739001010010}", u"{\"CardPAN\":476173******0010}"},
      {u"{\"CardPAN\":\"476173******0010\"}", u"{\"CardPAN\":\"476173******0010\"}"},
      {u"{\"CardPAN\":\"\\u00347617390010100\"}", u"{\"CardPAN\":\"476173****0100\"}"},
      {u"{\"T\":{\"CardPAN\" : \"5351109001010\",\"STAN\":\"123456789\"}}",
       u"{\"T\":{\"CardPAN\" : \"535110***1010\",\"STAN\":\"123456789\"}}"},
      {u"{\"CardPAN\":\"47617390010", u"{\"CardPAN\":\"*******0010"},  // cut off
      {u"{\"CardPAN\":null,\"CardPAN\":{}}", u"{\"CardPAN\":null,\"CardPAN\":{}}"},
  };
  for (const MaskCase& c : cases) EXPECT_EQ(MaskCardNumberMembers(c.text, names), c.masked) << Utf16ToUtf8(c.text);
}

}  // namespace
