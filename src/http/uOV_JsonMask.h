// Keeps secrets (passwords, tokens, keys) and card numbers out of the logs: a
// lexical pass over JSON-like text that rewrites the values of named members.
// Being lexical, it also works on text that is not valid JSON (a cut-off
// answer, a body with trailing garbage) and at any depth.
#pragma once

#include <string>
#include <string_view>
#include <vector>

inline constexpr std::u16string_view kSecretMask = u"********";

// Every string value of a member whose name (after unescaping) equals one of
// aMemberNames exactly becomes "********"; everything else, white space and
// escapes included, is left as it was. A value string that is cut off is
// masked to the end of the text.
std::u16string MaskSecretMembers(std::u16string_view aText, const std::vector<std::u16string>& aMemberNames);

// Every string or number value of a member named in aMemberNames keeps at most
// the first six and the last four characters of a card number (MaskCardNumber).
std::u16string MaskCardNumberMembers(std::u16string_view aText, const std::vector<std::u16string>& aMemberNames);
