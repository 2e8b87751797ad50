// How the terminal service's answers are judged: the text of a result code
// and the card network told by the leading digits of a masked card number.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "payment/uOVPaymentDefs.h"

// Empty for 1 (approved); the terminal's wording for 2 to 7; "Result code
// not mapped" for any other code.
std::u16string ResultCodeToText(int32_t aResultCode);

// aPrefix: the first six characters of the masked card number (fewer when it
// is shorter). Ranges compare as text, so masking characters sort below digits.
ovPaymentNetwork DetectPaymentNetwork(std::u16string_view aPrefix);
