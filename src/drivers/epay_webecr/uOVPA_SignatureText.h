// The texts of the signing exchange: the document series, filled in from its
// template, the fields of the signature's "input" text, and the whole answer
// read into the signature data that travels with the payment.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/uOV_Currency.h"
#include "platform/ovClock.h"

// Replaces {{Store}}, {{Till}}, {{YYYY}}, {{YY}}, {{MM}} and {{DD}} (letter
// case aside) wherever they occur, in that order: the four-digit year before
// the two-digit one. {{YY}} is the year modulo 100 without a leading zero.
std::u16string FillSeriesTemplate(std::u16string_view aTemplate, std::u16string_view aStoreCode,
                                  std::u16string_view aTillCode, const ovLocalTime& aToday);

// Field aNumber (from 1) of a ";"-separated text, untrimmed; empty beyond the last field.
std::u16string SignatureInputField(std::u16string_view aInput, size_t aNumber);

// What a signature answer carries for the transaction message.
struct ovImpactSignature {
  std::u16string Input;      // "input", as received
  std::u16string Signature;  // "signature", as received
  std::u16string UID;        // input field 1
  int32_t Mark = 0;          // field 2, a decimal integer
  std::u16string SignatureTimeStamp;  // field 3
  ovCurrency NetAmount;      // fields 4 to 6, numbers with the regional decimal separator
  ovCurrency VatAmount;
  ovCurrency TotalAmount;
};

// Reads the answer object; raises "Value '%s' not found" for a missing
// member, "'%s' is not a valid integer value" for field 2 and "'%s' is not a
// valid floating point value" for fields 4 to 6 that do not read.
ovImpactSignature ReadSignatureAnswer(std::u16string_view aAnswer, char16_t aDecimalSeparator);
