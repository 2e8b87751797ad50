#include <gtest/gtest.h>

#include <functional>

#include "base/uOV_Exception.h"
#include "http/uOV_JsonReader.h"
#include "http/uOV_JsonWriter.h"
#include "platform/ovUtf.h"

#include "support/FailureOf.h"

namespace {

TEST(JsonReader, FirstMemberWithTheNameWinsAndOrderIsKept) {
  const tOV_JsonValue answer = tOV_JsonValue::ParseObject(u"{\"a\":1,\"b\":\"x\",\"a\":2}");
  EXPECT_EQ(answer.GetInteger(u"a"), 1);
  ASSERT_EQ(answer.Count(), 3u);
  EXPECT_EQ(answer.NameAt(0), u"a");
  EXPECT_EQ(answer.NameAt(1), u"b");
  EXPECT_EQ(answer.NameAt(2), u"a");
  EXPECT_EQ(answer.At(2).RawText(), u"2");
}

TEST(JsonReader, NamesAreExactAndCaseSensitive) {
  const tOV_JsonValue answer = tOV_JsonValue::ParseObject(u"{\"Access\":\"x\",\"access \":\"y\"}");
  EXPECT_EQ(FailureOf([&] { answer.GetText(u"access"); }), u"Value 'access' not found");
  EXPECT_EQ(answer.GetText(u"Access"), u"x");
}

TEST(JsonReader, ReadsTextFromStringsNumbersAndNull) {
  const tOV_JsonValue answer = tOV_JsonValue::ParseObject(
      u" {\"s\":\"a\\/b \\u03A9 \\uD83D\\uDE00 \\\"q\\\"\",\"n\":12.50,\"e\":-1E+5,\"i\":99,\"z\":null} ");
  EXPECT_EQ(answer.GetText(u"s"), u"a/b Ω \U0001F600 \"q\"");
  EXPECT_EQ(answer.Get(u"s").Class(), ovJsonClass::jc_String);
  EXPECT_EQ(answer.GetText(u"n"), u"12.50");
  EXPECT_EQ(answer.Get(u"n").Class(), ovJsonClass::jc_Number);
  EXPECT_EQ(answer.GetText(u"e"), u"-1E+5");
  EXPECT_EQ(answer.GetText(u"i"), u"99");
  EXPECT_EQ(answer.GetText(u"z"), u"");
}

TEST(JsonReader, ReadsUtf8TextThatWasWidened) {
  const tOV_JsonValue answer = tOV_JsonValue::ParseObject(u"{\"Terminal\":\"Τερματικό-1\"}");
  EXPECT_EQ(answer.GetText(u"Terminal"), u"Τερματικό-1");
}

struct IntegerCase {
  std::u16string json;
  int64_t value;
};

void PrintTo(const IntegerCase& aCase, std::ostream* aOut) { *aOut << Utf16ToUtf8(aCase.json); }

class JsonReaderIntegers : public testing::TestWithParam<IntegerCase> {};

TEST_P(JsonReaderIntegers, ReadsIntegralNumbersAndDecimalStrings) {
  const tOV_JsonValue answer = tOV_JsonValue::ParseObject(u"{\"v\":" + GetParam().json + u"}");
  EXPECT_EQ(answer.GetInt64(u"v"), GetParam().value);
  if (GetParam().value >= INT32_MIN && GetParam().value <= INT32_MAX) {
    EXPECT_EQ(answer.GetInteger(u"v"), GetParam().value);
  }
}

INSTANTIATE_TEST_SUITE_P(Table, JsonReaderIntegers,
                         testing::Values(IntegerCase{u"1250", 1250}, IntegerCase{u"-7", -7}, IntegerCase{u"0", 0},
                                         IntegerCase{u"-0", 0}, IntegerCase{u"\"42\"", 42},
                                         IntegerCase{u"\"-12\"", -12}, IntegerCase{u"\"+5\"", 5},
                                         IntegerCase{u"\"007\"", 7}, IntegerCase{u"2147483647", INT32_MAX},
                                         IntegerCase{u"-2147483648", INT32_MIN},
                                         IntegerCase{u"2147483648", 2147483648LL},
                                         IntegerCase{u"9223372036854775807", INT64_MAX},
                                         IntegerCase{u"\"-9223372036854775808\"", INT64_MIN}));

struct ConversionCase {
  std::u16string json;
  std::u16string wanted;  // "string", "integer", "int64", "object"
  std::u16string message;
};

void PrintTo(const ConversionCase& aCase, std::ostream* aOut) {
  *aOut << Utf16ToUtf8(aCase.json) << " as " << Utf16ToUtf8(aCase.wanted);
}

class JsonReaderConversions : public testing::TestWithParam<ConversionCase> {};

TEST_P(JsonReaderConversions, RaisesTheConversionMessage) {
  const tOV_JsonValue answer = tOV_JsonValue::ParseObject(u"{\"v\":" + GetParam().json + u"}");
  const std::u16string& wanted = GetParam().wanted;
  EXPECT_EQ(FailureOf([&] {
              if (wanted == u"string") answer.GetText(u"v");
              if (wanted == u"integer") answer.GetInteger(u"v");
              if (wanted == u"int64") answer.GetInt64(u"v");
              if (wanted == u"object") answer.GetObject(u"v");
            }),
            GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Table, JsonReaderConversions,
    testing::Values(
        ConversionCase{u"12.5", u"integer", u"Conversion from JSONNumber to integer is not supported"},
        ConversionCase{u"1e2", u"integer", u"Conversion from JSONNumber to integer is not supported"},
        ConversionCase{u"\"OK\"", u"integer", u"Conversion from JSONString to integer is not supported"},
        ConversionCase{u"\"12.5\"", u"integer", u"Conversion from JSONString to integer is not supported"},
        ConversionCase{u"\" 12\"", u"integer", u"Conversion from JSONString to integer is not supported"},
        ConversionCase{u"\"\"", u"integer", u"Conversion from JSONString to integer is not supported"},
        ConversionCase{u"null", u"integer", u"Conversion from JSONNull to integer is not supported"},
        ConversionCase{u"true", u"integer", u"Conversion from JSONBool to integer is not supported"},
        ConversionCase{u"2147483648", u"integer", u"Conversion from JSONNumber to integer is not supported"},
        ConversionCase{u"-2147483649", u"integer", u"Conversion from JSONNumber to integer is not supported"},
        ConversionCase{u"9223372036854775808", u"int64", u"Conversion from JSONNumber to int64 is not supported"},
        ConversionCase{u"[1]", u"int64", u"Conversion from JSONArray to int64 is not supported"},
        ConversionCase{u"true", u"string", u"Conversion from JSONBool to string is not supported"},
        ConversionCase{u"{}", u"string", u"Conversion from JSONObject to string is not supported"},
        ConversionCase{u"[\"a\"]", u"string", u"Conversion from JSONArray to string is not supported"},
        ConversionCase{u"\"x\"", u"object", u"Conversion from JSONString to object is not supported"},
        ConversionCase{u"null", u"object", u"Conversion from JSONNull to object is not supported"}));

TEST(JsonReader, ReadsNestedObjectsAndFindsOptionalOnesWithoutRaising) {
  const tOV_JsonValue answer =
      tOV_JsonValue::ParseObject(u"{\"Transaction\":{\"CardPAN\":\"4111****1111\",\"STAN\":123},\"s\":\"x\"}");
  const tOV_JsonValue& transaction = answer.GetObject(u"Transaction");
  EXPECT_EQ(transaction.GetText(u"CardPAN"), u"4111****1111");
  EXPECT_EQ(transaction.GetText(u"STAN"), u"123");
  EXPECT_EQ(answer.FindObject(u"Transaction"), &transaction);
  EXPECT_EQ(answer.FindObject(u"s"), nullptr);
  EXPECT_EQ(answer.FindObject(u"absent"), nullptr);
  EXPECT_EQ(transaction.Find(u"Transaction"), nullptr);  // no search in depth
  EXPECT_EQ(answer.Get(u"s").FindObject(u"x"), nullptr);
}

TEST(JsonReader, TryGetTextNeverRaises) {
  const tOV_JsonValue answer = tOV_JsonValue::ParseObject(u"{\"error\":\"bad token\",\"o\":{},\"n\":null}");
  std::u16string text = u"before";
  EXPECT_TRUE(answer.TryGetText(u"error", text));
  EXPECT_EQ(text, u"bad token");
  EXPECT_TRUE(answer.TryGetText(u"n", text));
  EXPECT_EQ(text, u"");
  text = u"kept";
  EXPECT_FALSE(answer.TryGetText(u"o", text));
  EXPECT_FALSE(answer.TryGetText(u"absent", text));
  EXPECT_EQ(text, u"kept");
}

class JsonReaderInvalidText : public testing::TestWithParam<std::u16string> {};

TEST_P(JsonReaderInvalidText, CountsAsNoObjectSoLookupsAreNotFound) {
  EXPECT_FALSE(tOV_JsonValue::Parse(GetParam()).has_value());
  const tOV_JsonValue answer = tOV_JsonValue::ParseObject(GetParam());
  EXPECT_EQ(answer.Count(), 0u);
  EXPECT_EQ(FailureOf([&] { answer.GetText(u"access"); }), u"Value 'access' not found");
  EXPECT_EQ(FailureOf([&] { answer.GetInteger(u"Status"); }), u"Value 'Status' not found");
  EXPECT_EQ(answer.FindObject(u"Transaction"), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Table, JsonReaderInvalidText,
                         testing::Values(u"", u"   ", u"{", u"<html><body>Bad Gateway</body></html>",
                                         u"{\"access\":\"a\"} trailing", u"{'access':'a'}",
                                         u"{\"access\":\"a\",}", u"{\"access\":01}",
                                         std::u16string(u"{\"access\":\"a\"}") + char16_t(0) + u"x",
                                         std::u16string(u"{\"access\":\"a") + char16_t(0) + u"\"}",
                                         u"{\"a\":\"\x01\"}", std::u16string(100000, u'[')));

TEST(JsonReader, JsonThatIsNoObjectIsAnInvalidTypecast) {
  for (const std::u16string text : {u"[]", u"[{\"access\":\"a\"}]", u"\"text\"", u"12", u"null", u"true"}) {
    EXPECT_TRUE(tOV_JsonValue::Parse(text).has_value()) << Utf16ToUtf8(text);
    EXPECT_EQ(FailureOf([&] { tOV_JsonValue::ParseObject(text); }), u"Invalid class typecast")
        << Utf16ToUtf8(text);
  }
}

TEST(JsonReader, ParsesAnyValueAndTellsItsClass) {
  const std::optional<tOV_JsonValue> value = tOV_JsonValue::Parse(u"[1,\"1\",true,null,{},[]]");
  ASSERT_TRUE(value.has_value());
  EXPECT_EQ(value->Class(), ovJsonClass::jc_Array);
  ASSERT_EQ(value->Count(), 6u);
  const std::u16string names[] = {u"JSONNumber", u"JSONString", u"JSONBool", u"JSONNull", u"JSONObject", u"JSONArray"};
  for (size_t i = 0; i < 6; ++i) EXPECT_EQ(value->At(i).ClassName(), names[i]);
  EXPECT_TRUE(value->At(2).BoolValue());
}

TEST(JsonReader, NestingUpToTheLimitParsesAndDeeperIsRefused) {
  const size_t depth = tOV_JsonValue::kMaxDepth;
  std::u16string deepest(depth, u'[');
  deepest += std::u16string(depth, u']');
  EXPECT_TRUE(tOV_JsonValue::Parse(deepest).has_value());
  std::u16string tooDeep(depth + 1, u'[');
  tooDeep += std::u16string(depth + 1, u']');
  EXPECT_FALSE(tOV_JsonValue::Parse(tooDeep).has_value());
}

TEST(JsonReader, ReadsWhatTheWriterWrote) {
  tOV_JsonObject object;
  object.AddString(u"user", u"Γιώργος/\"x\"\t\U0001F600").AddInteger(u"n", -42);
  object.AddObject(u"o").AddCurrency(u"amount", ovCurrency::FromTicks(125000));
  const tOV_JsonValue read = tOV_JsonValue::ParseObject(object.ToJSON());
  EXPECT_EQ(read.GetText(u"user"), u"Γιώργος/\"x\"\t\U0001F600");
  EXPECT_EQ(read.GetInteger(u"n"), -42);
  EXPECT_EQ(read.GetObject(u"o").GetText(u"amount"), u"12.5");
}

}  // namespace
