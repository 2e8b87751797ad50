#include <gtest/gtest.h>

#include "base/uOV_Exception.h"
#include "request/uOvReceipt.h"
#include "support/FailureOf.h"

namespace {

class NodeReaderTest : public ::testing::Test {
 protected:
  ovXmlElement Parse(const std::u16string& aXml) {
    fDocument = ovXmlDocument::Parse(aXml);
    return fDocument->Root();
  }

  std::unique_ptr<ovXmlDocument> fDocument;
};

TEST_F(NodeReaderTest, ReadsAmountsAndReportsTheirFailures) {
  const auto root = Parse(u"<P><Amount>12.5</Amount><Bad>1,234.50</Bad><Empty/><Nested><x/></Nested></P>");
  EXPECT_EQ(krptUtil::GetNodeValueAsCurrency(root, u"Amount").Ticks, 125000);
  EXPECT_EQ(krptUtil::GetNodeValueAsCurrency(root, u"Empty").Ticks, 0);
  EXPECT_EQ(krptUtil::GetNodeValueAsCurrency(root, u"Missing").Ticks, 0);
  EXPECT_EQ(krptUtil::GetNodeValueAsCurrency(root, u"amount").Ticks, 0);  // exact letter case
  EXPECT_EQ(FailureOf([&] { krptUtil::GetNodeValueAsCurrency(root, u"Bad"); }),
            u"Error in processing node Bad as currency.\r\n'1,234.50' is not a valid floating point value");
  EXPECT_EQ(FailureOf([&] { krptUtil::GetNodeValueAsCurrency(root, u"Nested"); }),
            u"Error in processing node Nested as currency.\r\nElement \"Nested\" does not contain a single text node");
}

TEST_F(NodeReaderTest, ReadsBooleansByNumberOrWord) {
  const struct {
    const char16_t* text;
    bool value;
  } accepted[] = {{u"true", true}, {u"TRUE", true}, {u"1", true}, {u"-1", true},
                  {u" 2.5 ", true}, {u"0", false}, {u"false", false}, {u"0.0", false}};
  for (const auto& c : accepted) {
    const auto root = Parse(std::u16string(u"<P><B>") + c.text + u"</B></P>");
    EXPECT_EQ(krptUtil::GetNodeValueAsBoolean(root, u"B", !c.value), c.value);
  }
  const auto root = Parse(u"<P><Yes>yes</Yes><Empty></Empty></P>");
  EXPECT_TRUE(krptUtil::GetNodeValueAsBoolean(root, u"Missing", true));
  EXPECT_EQ(FailureOf([&] { krptUtil::GetNodeValueAsBoolean(root, u"Yes", false); }),
            u"Error in processing node Yes as boolean.\r\n'yes' is not a valid boolean value");
  EXPECT_EQ(FailureOf([&] { krptUtil::GetNodeValueAsBoolean(root, u"Empty", false); }),
            u"Error in processing node Empty as boolean.\r\n'' is not a valid boolean value");
}

TEST_F(NodeReaderTest, ReadsIntegersDatesAndTexts) {
  const auto root = Parse(
      u"<P xmlns:r='urn:r'><r:Count>$10</r:Count><Empty/><Bad>1.5</Bad><When>2024-03-05 14:07:09</When>"
      u"<Short>2024-03-05</Short><Text><![CDATA[a<b]]></Text><Mixed>a<!--c--></Mixed></P>");
  EXPECT_EQ(krptUtil::GetNodeValueAsInteger(root, u"Count"), 16);  // found by local name
  EXPECT_EQ(krptUtil::GetNodeValueAsInteger(root, u"Empty"), 0);
  EXPECT_EQ(FailureOf([&] { krptUtil::GetNodeValueAsInteger(root, u"Bad"); }),
            u"Error in processing node Bad as integer.\r\n'1.5' is not a valid integer value");
  EXPECT_GT(krptUtil::GetNodeValueAsDateTime(root, u"When"), 0);
  EXPECT_EQ(FailureOf([&] { krptUtil::GetNodeValueAsDateTime(root, u"Short"); }),
            u"Error in processing node Short as datetime.\r\nDateTime Format invalid: [2024-03-05]");
  EXPECT_EQ(FailureOf([&] { krptUtil::GetNodeValueAsDateTime(root, u"Empty"); }),
            u"Error in processing node Empty as datetime.\r\nDateTime Format invalid: []");
  EXPECT_EQ(krptUtil::TryGetNodeValueAsDateTime(root, u"Short"), 0);
  EXPECT_EQ(krptUtil::GetNodeValueAsDate(root, u"Short"), krptUtil::GetNodeValueAsDate(root, u"When"));
  EXPECT_EQ(krptUtil::GetNodeValueAsString(root, u"Text"), u"a<b");
  EXPECT_EQ(FailureOf([&] { krptUtil::GetNodeValueAsString(root, u"Mixed"); }),
            u"Error in processing node Mixed as string.\r\nElement \"Mixed\" does not contain a single text node");
  EXPECT_TRUE(krptUtil::HasNode(root, u"Empty"));
  EXPECT_FALSE(krptUtil::HasNode(root, u"empty"));
}

TEST_F(NodeReaderTest, AnyBytesGiveAMessageNotACrash) {
  const std::u16string deep = std::u16string(100000, u'<');
  std::u16string nested;
  for (int i = 0; i < 20000; ++i) nested += u"<a>";
  const std::u16string inputs[] = {u"", u"not xml", u"<a><b></a>", u"<?xml version='1.0' encoding='ISO-8859-7'?>",
                                   deep, nested, u"<a/><b/>", std::u16string(u"<a>\0</a>", 8)};
  for (const auto& input : inputs) {
    EXPECT_NE(FailureOf([&] { ovXmlDocument::Parse(input); }), u"(no failure)");
  }
  const auto root = Parse(u"<?xml version='1.0' encoding='ISO-8859-7'?><a><b>\u03b1</b></a>");
  EXPECT_EQ(krptUtil::GetNodeValueAsString(root, u"b"), u"\u03b1");
}

}  // namespace
