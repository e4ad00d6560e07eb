// Text helpers with the runtime's character semantics.
//
// Strings are UTF-8 std::string. A character is a Unicode code point: every
// length, position and cut below counts characters, never bytes (a byte that
// is not part of valid UTF-8 counts as one character and is kept as it is).
// Positions are 1-based, as the procedures that use them are written.
//
// Upper-casing is the simple one-to-one mapping per code point, which never
// changes a string's length: positions found in an upper-cased text are
// applied to the original text.
//
// The "ANSI code page" of INI files and logs is Windows-1252; conversion
// happens only at the file boundary, and a character it cannot hold becomes '?'.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace calvora {

// The line break of the program's messages: LF, then CR. Message boxes show
// it as one break; logs keep the two characters as they are.
inline constexpr const char* kMessageBreak = "\n\r";

// Number of characters.
int64_t Len(std::string_view s);

// The first n characters (all when n >= Len). Raises 5 when n < 0.
std::string Left(std::string_view s, int64_t n);

// The last n characters (all when n >= Len). Raises 5 when n < 0.
std::string Right(std::string_view s, int64_t n);

// From the 1-based character position start to the end. Raises 5 when start < 1.
std::string Mid(std::string_view s, int64_t start);

// At most n characters from the 1-based position start. Raises 5 when
// start < 1 or n < 0.
std::string Mid(std::string_view s, int64_t start, int64_t n);

// 1-based character position of the first occurrence of needle in hay at or
// after position start, 0 when there is none. An empty needle is found at
// start (when start <= Len(hay) + 1). Plain comparison: callers upper-case
// both sides for a case-blind search. Raises 5 when start < 1.
int64_t InStr(std::string_view hay, std::string_view needle, int64_t start = 1);

// Simple per-code-point upper case (ICU u_toupper); same length in characters.
std::string UCase(std::string_view s);
// Appends UCase(s) to out, without a text of its own: for keys built in
// one buffer.
void AppendUCase(std::string& out, std::string_view s);

// True when every byte of s is ASCII: each character is then one byte.
bool IsAscii(std::string_view s);

// Case-blind equality by the same mapping.
bool EqualsNoCase(std::string_view a, std::string_view b);

// Remove leading and/or trailing blanks (U+0020 only; tabs stay).
std::string LTrim(std::string_view s);
std::string RTrim(std::string_view s);
std::string Trim(std::string_view s);

// UTF-8 to Windows-1252 bytes; characters it cannot hold become '?'.
std::string ToWindows1252(std::string_view utf8);

// Windows-1252 bytes to UTF-8.
std::string FromWindows1252(std::string_view bytes);

// The Windows-1252 code of one character, or '?' (63) when it has none.
// Used where a character's code in the ANSI code page matters.
int AnsiCode(char32_t c);

// Code points of a UTF-8 string (an invalid byte yields U+FFFD).
std::u32string ToCodePoints(std::string_view s);

// UTF-8 of code points.
std::string FromCodePoints(std::u32string_view s);

}  // namespace calvora
