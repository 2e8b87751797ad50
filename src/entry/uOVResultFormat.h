// The XML result fragments the host receives: one element per line, joined by
// CR LF, no declaration, no root, nothing after the last element.
#pragma once

#include <string>

#include "base/uOV_DateTime.h"
#include "payment/uOVPaymentDefs.h"

// Five passes in this order: & < > " ' (an entity already in the text is
// escaped again).
std::u16string EscapeXML(const std::u16string& aText);
// yyyy-mm-ddThh:nn:ss, independent of the regional settings.
std::u16string DateTimeToISOString(ovDateTime aValue);
// yyyy-mm-dd.
std::u16string DateToISOString(ovDateTime aValue);

std::u16string FormatResult(const _int_PAY_result& aResult);
std::u16string FormatResult(const _int_REPRINT_result& aResult);
std::u16string FormatResult(const _int_OPEN_result& aResult);
std::u16string FormatResult(const _int_CLOSE_result& aResult);
std::u16string FormatResult(const _int_GETSTATUS_result& aResult);
std::u16string FormatResult(const _int_DAYCLOSE_result& aResult);
std::u16string FormatResult(const _int_GETTOTALS_result& aResult);
