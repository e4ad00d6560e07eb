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

// Offset of the first byte of text at or after from that a quoted value
// cannot hold as it is: a control character (below 0x20, or 0x7F), a quote
// or a backslash, and with beyondAscii also any byte from 0x80 up;
// text.size() when there is none. Writers of quoted values copy the bytes
// before it unchanged.
size_t FindSpecialByte(std::string_view text, size_t from, bool beyondAscii);

}  // namespace calvora
