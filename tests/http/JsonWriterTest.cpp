#include <gtest/gtest.h>

#include "http/uOV_JsonWriter.h"
#include "platform/ovUtf.h"
#include "support/FailureOf.h"

namespace {

struct EscapeCase {
  std::u16string value;
  std::u16string written;
};

void PrintTo(const EscapeCase& aCase, std::ostream* aOut) { *aOut << testing::PrintToString(aCase.written); }

class JsonWriterEscapes : public testing::TestWithParam<EscapeCase> {};

TEST_P(JsonWriterEscapes, WritesStringValueWithTheWireEscapes) {
  tOV_JsonObject object;
  object.AddString(u"v", GetParam().value);
  EXPECT_EQ(object.ToJSON(), u"{\"v\":" + GetParam().written + u"}");
}

INSTANTIATE_TEST_SUITE_P(
    Table, JsonWriterEscapes,
    testing::Values(EscapeCase{u"plain text 123", u"\"plain text 123\""},
                    EscapeCase{u"Καλημέρα", u"\"\\u039A\\u03B1\\u03BB\\u03B7\\u03BC\\u03AD\\u03C1\\u03B1\""},
                    EscapeCase{u"a/b", u"\"a\\/b\""},
                    EscapeCase{u"say \"hi\" \\ bye", u"\"say \\\"hi\\\" \\\\ bye\""},
                    EscapeCase{u"\b\t\n\f\r", u"\"\\b\\t\\n\\f\\r\""},
                    EscapeCase{std::u16string(u"\x01\x1F") + char16_t(0), u"\"\\u0001\\u001F\\u0000\""},
                    EscapeCase{u"\x7F~", u"\"\x7F~\""},  // 127 itself is not above 127
                    EscapeCase{u"\u00E9\u00FF\u0080", u"\"\\u00E9\\u00FF\\u0080\""},
                    EscapeCase{u"\U0001F600", u"\"\\uD83D\\uDE00\""},  // surrogates unit by unit
                    EscapeCase{u"", u"\"\""}));

TEST(JsonWriter, EscapesMemberNamesLikeValues) {
  tOV_JsonObject object;
  object.AddInteger(u"κ/\"", 1);
  EXPECT_EQ(object.ToJSON(), u"{\"\\u03BA\\/\\\"\":1}");
}

TEST(JsonWriter, WritesMembersCompactlyInTheOrderAdded) {
  tOV_JsonObject request;
  request.AddInteger(u"TxnType", 0)
      .AddInteger(u"Amount", 1250)
      .AddInteger(u"TipAmount", -99)
      .AddNumber(u"CurrencyCode", u"978")
      .AddString(u"CustomerReference", u"R1")
      .AddCurrency(u"paymentAmount", ovCurrency::FromTicks(125000))
      .AddCurrency(u"totalAmount", ovCurrency::FromUnits(20))
      .AddCurrency(u"zero", ovCurrency::FromTicks(0))
      .AddCurrency(u"small", ovCurrency::FromTicks(-1))
      .AddBoolean(u"b", false)
      .AddNull(u"n");
  tOV_JsonObject& provider = request.AddObject(u"ProviderData");
  provider.AddString(u"Uid", u"U-1").AddInteger(u"Mark", 400001);
  request.AddInteger(u"Timeout", 180);
  EXPECT_EQ(request.ToJSON(),
            u"{\"TxnType\":0,\"Amount\":1250,\"TipAmount\":-99,\"CurrencyCode\":978,\"CustomerReference\":\"R1\","
            u"\"paymentAmount\":12.5,\"totalAmount\":20.0,\"zero\":0.0,\"small\":-0.0001,\"b\":false,\"n\":null,"
            u"\"ProviderData\":{\"Uid\":\"U-1\",\"Mark\":400001},\"Timeout\":180}");
}

TEST(JsonWriter, KeepsAnObjectBuiltElsewhereAndDuplicateNames) {
  tOV_JsonObject inner;
  inner.AddString(u"x", u"1");
  tOV_JsonObject outer;
  outer.AddObject(u"o", std::move(inner)).AddInteger(u"y", 2);
  outer.AddObject(u"e");
  outer.AddInteger(u"o", 3);
  EXPECT_EQ(outer.ToJSON(), u"{\"o\":{\"x\":\"1\",\"y\":2},\"e\":{},\"o\":3}");
  EXPECT_EQ(outer.Count(), 3u);
  EXPECT_EQ(tOV_JsonObject().ToJSON(), u"{}");
}

TEST(JsonWriter, WritesInt64Limits) {
  tOV_JsonObject object;
  object.AddInteger(u"min", INT64_MIN).AddInteger(u"max", INT64_MAX);
  EXPECT_EQ(object.ToJSON(), u"{\"min\":-9223372036854775808,\"max\":9223372036854775807}");
}

TEST(JsonWriter, RefusesNumberTextThatIsNoJsonNumber) {
  for (const std::u16string text : {u"", u"12,5", u"+1", u"01", u"1.", u".5", u"1e", u"NaN", u"12 "}) {
    EXPECT_FALSE(IsJsonNumber(text)) << Utf16ToUtf8(text);
    tOV_JsonObject object;
    EXPECT_EQ(FailureOf([&] { object.AddNumber(u"CurrencyCode", text); }),
              u"'" + text + u"' is not a valid JSON number");
    EXPECT_EQ(object.Count(), 0u);
  }
  for (const std::u16string text : {u"0", u"-0", u"978", u"12.50", u"-3.75", u"1e5", u"1E-7", u"2.5e+3"}) {
    EXPECT_TRUE(IsJsonNumber(text)) << Utf16ToUtf8(text);
  }
}

TEST(JsonWriter, OutputIsAsciiOnly) {
  tOV_JsonObject object;
  object.AddString(u"Όνομα", u"Αθήνα \U0001F600 ü");
  for (const char16_t c : object.ToJSON()) EXPECT_LE(c, 127) << int(c);
}

}  // namespace
