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
