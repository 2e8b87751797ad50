// The judging of terminal answers and the texts of the signing exchange.
#include <gtest/gtest.h>

#include "drivers/epay_webecr/uOVPA_Outcome.h"
#include "drivers/epay_webecr/uOVPA_SignatureText.h"
#include "platform/ovUtf.h"

namespace {

TEST(EpayOutcome, ResultCodesHaveTheTerminalsTexts) {
  const std::vector<std::pair<int32_t, std::u16string>> cases = {
      {1, u""},
      {2, u"Declined"},
      {3, u"Cancelled"},
      {4, u"Failed"},
      {5, u"Unknown Error"},
      {6, u"Busy"},
      {7, u"Transactions limit reached. Please perform a Batch Closing"},
      {0, u"Result code not mapped"},
      {8, u"Result code not mapped"},
      {-1, u"Result code not mapped"}};
  for (const auto& [code, text] : cases) EXPECT_EQ(ResultCodeToText(code), text) << code;
}

TEST(EpayOutcome, CardNetworksFollowTheLeadingDigits) {
  const std::vector<std::pair<std::u16string, ovPaymentNetwork>> cases = {
      {u"201400", Diners},   {u"214999", Diners},   {u"222100", Mastercard}, {u"272099", Mastercard},
      {u"272100", Other},    {u"2221**", Other},    {u"300000", Diners},     {u"305999", Diners},
      {u"306000", Other},    {u"340000", Amex},     {u"352799", Other},      {u"352800", JCB},
      {u"358999", JCB},      {u"360000", Diners},   {u"371234", Amex},       {u"476173", Visa},
      {u"4", Visa},          {u"501234", Maestro},  {u"512345", Mastercard}, {u"559999", Mastercard},
      {u"561234", Maestro},  {u"589999", Maestro},  {u"601100", Discover},   {u"622125", CUP},
      {u"622126", Discover}, {u"622925", Discover}, {u"622926", CUP},        {u"644000", Discover},
      {u"649000", Discover}, {u"649001", Maestro},  {u"650000", Discover},   {u"670000", Maestro},
      {u"", Other},          {u"******", Other},    {u"912345", Other}};
  for (const auto& [prefix, network] : cases) {
    EXPECT_EQ(DetectPaymentNetwork(prefix), network) << Utf16ToUtf8(prefix);
  }
}

TEST(EpaySignatureText, SeriesPlaceholdersAreFilledWithoutRegardToCase) {
  const ovLocalTime march5th2024{2024, 3, 5};
  EXPECT_EQ(FillSeriesTemplate(u"ABC-{{store}}-{{TILL}}/{{yy}}", u"12", u"3", march5th2024), u"ABC-12-3/24");
  EXPECT_EQ(FillSeriesTemplate(u"{{YYYY}}{{MM}}{{DD}}-{{YYYY}}", u"", u"", march5th2024), u"20240305-2024");
  EXPECT_EQ(FillSeriesTemplate(u"{{YY}}", u"", u"", ovLocalTime{2105, 12, 31}), u"5");
  EXPECT_EQ(FillSeriesTemplate(u"PLAIN {{X}}", u"1", u"2", march5th2024), u"PLAIN {{X}}");
}

TEST(EpaySignatureText, InputFieldsAreCountedFromOne) {
  const std::u16string input = u"uid; 7 ;ts;;5";
  const std::vector<std::pair<size_t, std::u16string>> cases = {
      {1, u"uid"}, {2, u" 7 "}, {3, u"ts"}, {4, u""}, {5, u"5"}, {6, u""}, {60, u""}};
  for (const auto& [number, field] : cases) EXPECT_EQ(SignatureInputField(input, number), field) << number;
  EXPECT_EQ(SignatureInputField(u"", 1), u"");
}

}  // namespace
