// Keeps secrets (passwords, tokens, keys) out of the logs: a lexical pass over
// JSON-like text that replaces the string values of named members with a
// fixed mask. Being lexical, it also works on text that is not valid JSON
// (a cut-off answer, a body with trailing garbage) and at any depth.
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
