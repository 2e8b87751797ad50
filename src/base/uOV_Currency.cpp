#include "base/uOV_Currency.h"

#include <limits>
#include <optional>

#include "base/uOV_Exception.h"
#include "base/uOV_Text.h"

namespace {

// A decimal number as read: value = digits x 10^exponent.
struct ScannedNumber {
  bool negative = false;
  std::string digits;  // without leading zeros; empty means zero
  int64_t exponent = 0;
};

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

std::optional<ScannedNumber> Scan(std::u16string_view aText, char16_t aSeparator) {
  ScannedNumber number;
  size_t i = 0;
  const size_t n = aText.size();
  while (i < n && aText[i] == u' ') ++i;
  if (i < n && (aText[i] == u'+' || aText[i] == u'-')) number.negative = aText[i++] == u'-';
  bool anyDigit = false;
  for (; i < n && IsDigit(aText[i]); ++i) {
    anyDigit = true;
    if (!(number.digits.empty() && aText[i] == u'0')) number.digits.push_back(char(aText[i]));
  }
  if (i < n && aText[i] == aSeparator) {
    for (++i; i < n && IsDigit(aText[i]); ++i) {
      anyDigit = true;
      if (!(number.digits.empty() && aText[i] == u'0')) number.digits.push_back(char(aText[i]));
      --number.exponent;
    }
  }
  if (!anyDigit) return std::nullopt;
  if (i < n && (aText[i] == u'e' || aText[i] == u'E')) {
    ++i;
    bool negativeExponent = false;
    if (i < n && (aText[i] == u'+' || aText[i] == u'-')) negativeExponent = aText[i++] == u'-';
    if (i >= n || !IsDigit(aText[i])) return std::nullopt;
    int64_t exponent = 0;
    for (; i < n && IsDigit(aText[i]); ++i) {
      if (exponent < 100000) exponent = exponent * 10 + (aText[i] - u'0');
    }
    number.exponent += negativeExponent ? -exponent : exponent;
  }
  while (i < n && aText[i] == u' ') ++i;
  if (i != n) return std::nullopt;
  return number;
}

// digits x 10^(exponent + 4), rounded half to even; nullopt when out of range.
std::optional<int64_t> ToTicks(const ScannedNumber& aNumber) {
  if (aNumber.digits.empty()) return 0;
  const int64_t shift = aNumber.exponent + 4;
  const auto digitCount = static_cast<int64_t>(aNumber.digits.size());
  if (digitCount + shift > 19) return std::nullopt;
  const int64_t integerDigits = digitCount + shift;  // digits before the rounding point
  // At most 19 digits and a rounding step: below 10^19 + 1, within 64 unsigned bits.
  uint64_t magnitude = 0;
  for (int64_t k = 0; k < integerDigits; ++k) {
    magnitude = magnitude * 10 + (k < digitCount ? aNumber.digits[size_t(k)] - '0' : 0);
  }
  if (integerDigits < digitCount) {
    const int64_t first = std::max<int64_t>(integerDigits, 0);
    const int roundingDigit = integerDigits >= 0 ? aNumber.digits[size_t(first)] - '0' : 0;
    bool restNonZero = false;
    for (int64_t k = first + (integerDigits >= 0 ? 1 : 0); k < digitCount; ++k) {
      if (aNumber.digits[size_t(k)] != '0') restNonZero = true;
    }
    if (integerDigits < 0) restNonZero = true;  // all digits lie beyond the rounding digit
    const bool odd = (magnitude % 2) == 1;
    if (roundingDigit > 5 || (roundingDigit == 5 && (restNonZero || odd))) ++magnitude;
  }
  const uint64_t limit = aNumber.negative ? uint64_t(std::numeric_limits<int64_t>::max()) + 1
                                          : uint64_t(std::numeric_limits<int64_t>::max());
  if (magnitude > limit) return std::nullopt;
  // Two's complement wraps 2^63 to the most negative amount.
  return aNumber.negative ? static_cast<int64_t>(0 - magnitude) : static_cast<int64_t>(magnitude);
}

}  // namespace

std::u16string CurrencyToText(ovCurrency aValue) {
  const bool negative = aValue.Ticks < 0;
  const unsigned long long magnitude =
      negative ? 0ULL - static_cast<unsigned long long>(aValue.Ticks) : static_cast<unsigned long long>(aValue.Ticks);
  std::string text = std::to_string(magnitude / 10000);
  unsigned long long fraction = magnitude % 10000;
  if (fraction != 0) {
    std::string digits = std::to_string(fraction);
    digits.insert(0, 4 - digits.size(), '0');
    while (digits.back() == '0') digits.pop_back();
    text += "." + digits;
  }
  if (negative) text.insert(0, 1, '-');
  return AsciiToUtf16(text);
}

std::u16string CurrencyToJsonNumber(ovCurrency aValue) {
  std::u16string text = CurrencyToText(aValue);
  if (text.find(u'.') == std::u16string::npos) text += u".0";
  return text;
}

bool TryTextToCurrency(std::u16string_view aText, ovCurrency& aValue, char16_t aDecimalSeparator) {
  const auto number = Scan(aText, aDecimalSeparator);
  if (!number) return false;
  const auto ticks = ToTicks(*number);
  if (!ticks) return false;
  aValue = ovCurrency::FromTicks(*ticks);
  return true;
}

ovCurrency TextToCurrency(std::u16string_view aText, char16_t aDecimalSeparator) {
  ovCurrency value;
  if (!TryTextToCurrency(aText, value, aDecimalSeparator)) {
    throw tOV_Exception(u"'" + std::u16string(aText) + u"' is not a valid floating point value");
  }
  return value;
}

bool TryReadNumber(std::u16string_view aText, char16_t aDecimalSeparator, bool& aIsZero) {
  const auto number = Scan(aText, aDecimalSeparator);
  if (!number) return false;
  aIsZero = number->digits.empty();
  return true;
}
