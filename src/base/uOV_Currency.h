// The currency amount: a signed 64-bit count of ten-thousandths (12.5 is held
// as 125000), with the exact text forms the system writes and reads.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct ovCurrency {
  int64_t Ticks = 0;  // ten-thousandths of a unit

  static constexpr int64_t kTicksPerUnit = 10000;
  static constexpr ovCurrency FromTicks(int64_t aTicks) { return ovCurrency{aTicks}; }
  static constexpr ovCurrency FromUnits(int64_t aUnits) { return ovCurrency{aUnits * kTicksPerUnit}; }
  // n hundredths of a unit, exactly (1250 gives 12.5).
  static constexpr ovCurrency FromHundredths(int64_t aHundredths) { return ovCurrency{aHundredths * 100}; }

  // Whole hundredths, the fraction dropped toward zero (12.345 gives 1234).
  constexpr int64_t TruncatedHundredths() const { return Ticks / 100; }
  // Whole units, the fraction dropped toward zero.
  constexpr int64_t TruncatedUnits() const { return Ticks / kTicksPerUnit; }

  friend constexpr bool operator==(ovCurrency, ovCurrency) = default;
};

// General decimal notation: "-" below zero, no digit grouping, and a fraction
// only when there is one, without trailing zeros (12.5, 1000, 0, -2.25).
std::u16string CurrencyToText(ovCurrency aValue);
// As CurrencyToText, with ".0" appended when the text holds no "." (JSON
// numbers of the signing service: 12.0, 0.0, 12.5).
std::u16string CurrencyToJsonNumber(ovCurrency aValue);

// Amount rule: optional blanks, optional sign, digits, optionally the decimal
// separator and more digits, optionally an exponent, optional blanks; at least
// one digit. No digit grouping. Rounded to four decimals (half to even).
bool TryTextToCurrency(std::u16string_view aText, ovCurrency& aValue, char16_t aDecimalSeparator = u'.');
// As TryTextToCurrency; raises "'%s' is not a valid floating point value".
ovCurrency TextToCurrency(std::u16string_view aText, char16_t aDecimalSeparator = u'.');

// Whether the text reads as a number by the same syntax; aIsZero tells its value.
bool TryReadNumber(std::u16string_view aText, char16_t aDecimalSeparator, bool& aIsZero);
