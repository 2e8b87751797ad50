// The readers of request values: dates and date-times by their fixed
// positions, amounts (either decimal separator), whole numbers, numbers as
// the boolean reader takes them.
#include <cstddef>
#include <cstdint>

#include "base/uOV_Currency.h"
#include "base/uOV_DateTime.h"
#include "base/uOV_Exception.h"
#include "base/uOV_Text.h"
#include "fuzz/FuzzText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* aData, size_t aSize) {
  const std::u16string text = FuzzText(aData, aSize);
  for (const auto read : {&ISOStringToDate, &ISOStringToDateTime}) {
    try {
      DecodeDateTime(read(text));
    } catch (const tOV_Exception&) {
    }
  }
  ovCurrency amount;
  for (const char16_t separator : {u'.', u','}) {
    if (TryTextToCurrency(text, amount, separator)) CurrencyToText(amount);
  }
  int32_t number = 0;
  if (TryStrToInt(text, number)) IntToStr(number);
  bool isZero = false;
  TryReadNumber(text, u'.', isZero);
  return 0;
}
