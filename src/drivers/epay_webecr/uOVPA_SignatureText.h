// The two texts of the signing exchange that are not JSON: the document
// series, filled in from its template, and the fields of the signature's
// "input" text.
#pragma once

#include <string>
#include <string_view>

#include "platform/ovClock.h"

// Replaces {{Store}}, {{Till}}, {{YYYY}}, {{YY}}, {{MM}} and {{DD}} (letter
// case aside) wherever they occur, in that order: the four-digit year before
// the two-digit one. {{YY}} is the year modulo 100 without a leading zero.
std::u16string FillSeriesTemplate(std::u16string_view aTemplate, std::u16string_view aStoreCode,
                                  std::u16string_view aTillCode, const ovLocalTime& aToday);

// Field aNumber (from 1) of a ";"-separated text, untrimmed; empty beyond the last field.
std::u16string SignatureInputField(std::u16string_view aInput, size_t aNumber);
