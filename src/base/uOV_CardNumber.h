// Card numbers as the driver may show them: whatever a terminal service
// sends, no more than the first six and the last four digits leave the
// library, in a log or in an answer.
#pragma once

#include <string>
#include <string_view>

// Masks with "*" every digit between the first six and the last four
// characters; other characters (masking characters a service already put in,
// blanks) stay. A text shorter than twelve characters, too short to show six
// and four of a card number, keeps only its last four characters. So
// 4761739001010010 gives 476173******0010, and 476173******0010 stays.
std::u16string MaskCardNumber(std::u16string_view aCardNumber);
