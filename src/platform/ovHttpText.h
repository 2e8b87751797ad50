// Text rules both HTTP stacks' exchanges keep alike.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// A blank, a tab or a line break.
bool IsHttpSpace(char aCharacter);
// Without CR, LF and NUL: a header name or value becomes one line of the
// request, and those would end it early or start a header of the caller's text.
std::string HttpHeaderSafe(std::string_view aText);
// Without the blanks, tabs and line breaks at either end.
std::string TrimHttpSpace(std::string_view aText);

// What an exchange that ran out of its read time-out says: the server's
// silence, or the whole answer's length (aTooLong: more than twice the time-out).
std::u16string ReadTimeoutText(int32_t aReadTimeoutMs, bool aTooLong);
