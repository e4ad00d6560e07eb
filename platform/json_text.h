// Texts as JSON string literals.
#pragma once

#include <string>
#include <string_view>

namespace calvora {

// text as a JSON string literal, quotes included: quote, backslash and every
// control character escaped, so that a value never breaks the document; bytes
// that are not valid UTF-8 become U+FFFD, so the result is always valid JSON.
std::string JsonString(std::string_view text);

// The same literal appended to out (which is otherwise left as it is).
void AppendJsonString(std::string& out, std::string_view text);

// text appended to out with quote, backslash, \n, \r and \t escaped by a
// backslash, and every other control character (below 0x20, or 0x7F) as
// controlEscape and two lower-case hex digits; all other bytes as they are.
void AppendEscaped(std::string& out, std::string_view text, std::string_view controlEscape);

}  // namespace calvora
