#include "drivers/epay_webecr/uOVPA_SignatureText.h"

#include "base/uOV_Text.h"
#include "http/uOV_JsonReader.h"

namespace {

std::u16string TwoDigits(int aValue) {
  std::u16string text = IntToStr(aValue);
  return text.size() < 2 ? u"0" + text : text;
}

}  // namespace

std::u16string FillSeriesTemplate(std::u16string_view aTemplate, std::u16string_view aStoreCode,
                                  std::u16string_view aTillCode, const ovLocalTime& aToday) {
  std::u16string series = ReplaceAll(aTemplate, u"{{Store}}", aStoreCode, true);
  series = ReplaceAll(series, u"{{Till}}", aTillCode, true);
  series = ReplaceAll(series, u"{{YYYY}}", IntToStr(aToday.Year), true);
  series = ReplaceAll(series, u"{{YY}}", IntToStr(aToday.Year % 100), true);
  series = ReplaceAll(series, u"{{MM}}", TwoDigits(aToday.Month), true);
  return ReplaceAll(series, u"{{DD}}", TwoDigits(aToday.Day), true);
}

std::u16string SignatureInputField(std::u16string_view aInput, size_t aNumber) {
  size_t start = 0;
  for (size_t field = 1; field < aNumber; ++field) {
    const size_t separator = aInput.find(u';', start);
    if (separator == std::u16string_view::npos) return {};
    start = separator + 1;
  }
  const size_t end = aInput.find(u';', start);
  return std::u16string(aInput.substr(start, end == std::u16string_view::npos ? end : end - start));
}

ovImpactSignature ReadSignatureAnswer(std::u16string_view aAnswer, char16_t aDecimalSeparator) {
  const tOV_JsonValue answer = tOV_JsonValue::ParseObject(aAnswer);
  ovImpactSignature signature;
  signature.Input = answer.GetText(u"input");
  signature.Signature = answer.GetText(u"signature");
  signature.UID = SignatureInputField(signature.Input, 1);
  signature.Mark = StrToInt(SignatureInputField(signature.Input, 2));
  signature.SignatureTimeStamp = SignatureInputField(signature.Input, 3);
  signature.NetAmount = TextToCurrency(SignatureInputField(signature.Input, 4), aDecimalSeparator);
  signature.VatAmount = TextToCurrency(SignatureInputField(signature.Input, 5), aDecimalSeparator);
  signature.TotalAmount = TextToCurrency(SignatureInputField(signature.Input, 6), aDecimalSeparator);
  return signature;
}
