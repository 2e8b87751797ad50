// The date-time: days since 30 December 1899 as a double, the fraction being
// the local time of day (no zone). 0 stands for a value that was not given.
#pragma once

#include <string>
#include <string_view>

#include "platform/ovClock.h"
#include "platform/ovRegional.h"

using ovDateTime = double;

bool TryEncodeDate(int aYear, int aMonth, int aDay, ovDateTime& aDate);
bool TryEncodeDateTime(const ovLocalTime& aParts, ovDateTime& aValue);
// Year, month, day, hour, minute, second and millisecond of a date-time.
ovLocalTime DecodeDateTime(ovDateTime aValue);

// The current local date and time, to the millisecond.
ovDateTime Now();

// Formats with the pattern letters yyyy yy m mm d dd h hh n nn s ss z zzz;
// "/" and ":" stand for the regional date and time separators; text in
// quotes is copied; any other character is copied as it is.
std::u16string FormatDateTime(std::u16string_view aFormat, ovDateTime aValue,
                              const ovRegionalSettings& aSettings = RegionalSettings());

// The date part in the process's short date format.
std::u16string DateToShortDateText(ovDateTime aValue);

// Fixed-position readers: year from characters 1-4, month 6-7, day 9-10
// (counted from 1; separators are not examined), and for the date-time hour
// 12-13, minute 15-16, second 18-19 and optional milliseconds 21-23. They
// raise "Date Format invalid: [text]" and "DateTime Format invalid: [text]".
ovDateTime ISOStringToDate(std::u16string_view aText);
ovDateTime ISOStringToDateTime(std::u16string_view aText);
