#include "platform/text.h"

#include <gtest/gtest.h>

#include "platform/failure.h"
#include "platform/json_text.h"

namespace calvora {
namespace {

using namespace std::string_literals;

TEST(Text, LengthsAndCutsCountCharactersNotBytes) {
    const std::string s = "Größe €5";  // ö, ß and € are multi-byte in UTF-8
    EXPECT_EQ(Len(s), 8);
    EXPECT_EQ(Left(s, 3), "Grö");
    EXPECT_EQ(Right(s, 2), "€5");
    EXPECT_EQ(Mid(s, 4), "ße €5");
    EXPECT_EQ(Mid(s, 4, 2), "ße");
    EXPECT_EQ(Mid(s, 20), "");
    EXPECT_EQ(Left(s, 100), s);
    EXPECT_EQ(Right(s, 100), s);
}

TEST(Text, InStrGivesCharacterPositions) {
    EXPECT_EQ(InStr("äbc###machine", "###machine"), 4);
    EXPECT_EQ(InStr("abcabc", "c", 4), 6);
    EXPECT_EQ(InStr("abc", "x"), 0);
    EXPECT_EQ(InStr("abc", ""), 1);
    EXPECT_EQ(InStr("", "a"), 0);
    EXPECT_EQ(InStr("abc", "abcd"), 0);
    EXPECT_EQ(InStr("abc", "a", 10), 0);
}

TEST(Text, InvalidArgumentsRaiseFailure5) {
    for (auto call : std::initializer_list<std::function<void()>>{
             [] { Left("abc", -1); }, [] { Right("abc", -1); }, [] { Mid("abc", 0); },
             [] { Mid("abc", 1, -2); }, [] { InStr("abc", "a", 0); }}) {
        try {
            call();
            ADD_FAILURE() << "no failure raised";
        } catch (const Failure& f) {
            EXPECT_EQ(f.Number(), 5);
        }
    }
}

TEST(Text, UpperCaseIsSimpleAndKeepsLength) {
    EXPECT_EQ(UCase("abc äöü ß ###machine"), "ABC ÄÖÜ ß ###MACHINE");  // ß has no simple upper case
    // The characters next to the letters stay, in whole words and in the rest.
    EXPECT_EQ(UCase("`az{@AZ[`az{@AZ[`az{@AZ[~\x7F"), "`AZ{@AZ[`AZ{@AZ[`AZ{@AZ[~\x7F");
    EXPECT_EQ(Len(UCase("straße")), Len("straße"));
    EXPECT_TRUE(EqualsNoCase("Var_Name", "VAR_NAME"));
    EXPECT_TRUE(EqualsNoCase("categorie", "CATEGORIE"));
    EXPECT_FALSE(EqualsNoCase("part", "parts"));
}

// Texts are checked, upper-cased and escaped eight bytes at a time, the rest
// of a text as its last eight bytes: every length and every place of a
// letter, of a character beyond ASCII or of a quote must come out as byte by
// byte.
TEST(Text, UpperCaseAsciiTestAndEscapesHoldForEveryLengthAndPlace) {
    for (size_t n = 0; n <= 20; ++n) {
        std::string text, upper;
        for (size_t i = 0; i < n; ++i) {
            const char c = "aZ_z{`@m"[i % 8];
            text += c;
            upper += c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
        }
        EXPECT_EQ(UCase(text), upper) << n;
        EXPECT_TRUE(IsAscii(text)) << n;
        for (size_t at = 0; at <= n; ++at) {
            const std::string mixed = text.substr(0, at) + "\xC3\xA4" + text.substr(at);
            EXPECT_FALSE(IsAscii(mixed)) << n << " " << at;
            EXPECT_EQ(UCase(mixed), upper.substr(0, at) + "\xC3\x84" + upper.substr(at))
                << n << " " << at;
            EXPECT_EQ(JsonString(text.substr(0, at) + '"' + text.substr(at)),
                      '"' + text.substr(0, at) + "\\\"" + text.substr(at) + '"')
                << n << " " << at;
        }
    }
}

TEST(Text, IllFormedBytesCountAsOneCharacterAndSurvive) {
    const std::string bad =
        "a\xFF"
        "b";
    EXPECT_EQ(Len(bad), 3);
    EXPECT_EQ(UCase(bad),
              "A\xFF"
              "B");
    EXPECT_EQ(Mid(bad, 2, 1), "\xFF");
}

// The helpers' results on texts that are not plain words: ill-formed UTF-8
// (a cut-off sequence, a surrogate, an overlong form, a code point beyond
// U+10FFFF, stray continuation bytes), controls, NUL, quotes and texts whose
// first non-ASCII character sits at or past the eighth byte.
TEST(Text, UnusualTextsKeepTheirCharacterSemantics) {
    struct Case {
        std::string text;
        int64_t len;
        std::string left3, right3, left9, upper, ansi, json;
    };
    const Case cases[] = {
        {"", 0, "", "", "", "", "", "\"\""},
        {"plain ASCII text", 16, "pla", "ext", "plain ASC", "PLAIN ASCII TEXT", "plain ASCII text",
         "\"plain ASCII text\""},
        {"a\xFF"
         "b",
         3,
         "a\xFF"
         "b",
         "a\xFF"
         "b",
         "a\xFF"
         "b",
         "A\xFF"
         "B",
         "a?b",
         "\"a\xEF\xBF\xBD"
         "b\""},
        {"\xE2\x82x", 2, "\xE2\x82x", "\xE2\x82x", "\xE2\x82x", "\xE2\x82X", "?x",
         "\"\xEF\xBF\xBDx\""},
        {"\xED\xA0\x80", 3, "\xED\xA0\x80", "\xED\xA0\x80", "\xED\xA0\x80", "\xED\xA0\x80", "???",
         "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""},
        {"\xC0\xAF", 2, "\xC0\xAF", "\xC0\xAF", "\xC0\xAF", "\xC0\xAF", "??",
         "\"\xEF\xBF\xBD\xEF\xBF\xBD\""},
        {"\xF4\x90\x80\x80", 4, "\xF4\x90\x80", "\x90\x80\x80", "\xF4\x90\x80\x80",
         "\xF4\x90\x80\x80", "????", "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""},
        {"\x80\x80", 2, "\x80\x80", "\x80\x80", "\x80\x80", "\x80\x80", "??",
         "\"\xEF\xBF\xBD\xEF\xBF\xBD\""},
        {"nul\x00"
         "byte"s,
         8, "nul", "yte",
         "nul\x00"
         "byte"s,
         "NUL\x00"
         "BYTE"s,
         "nul\x00"
         "byte"s,
         "\"nul\\u0000byte\""},
        {"ctl \x01\x1F\x7F \t\r\n", 11, "ctl", "\t\r\n", "ctl \x01\x1F\x7F \t",
         "CTL \x01\x1F\x7F \t\r\n", "ctl \x01\x1F\x7F \t\r\n",
         "\"ctl \\u0001\\u001f\\u007f \\t\\r\\n\""},
        {"quote \" back \\ slash", 20, "quo", "ash", "quote \" b", "QUOTE \" BACK \\ SLASH",
         "quote \" back \\ slash", "\"quote \\\" back \\\\ slash\""},
        {"Gr\xC3\xB6\xC3\x9F"
         "e \xE2\x82\xAC"
         "5 \xC7\x86 \xC5\xBF \xEF\xAC\x80 \xC4\xB1 \xC3\xBF",
         18, "Gr\xC3\xB6", "\xC4\xB1 \xC3\xBF",
         "Gr\xC3\xB6\xC3\x9F"
         "e \xE2\x82\xAC"
         "5 ",
         "GR\xC3\x96\xC3\x9F"
         "E \xE2\x82\xAC"
         "5 \xC7\x84 S \xEF\xAC\x80 I \xC5\xB8",
         "Gr\xF6\xDF"
         "e \x80"
         "5 ? ? ? ? \xFF",
         "\"Gr\xC3\xB6\xC3\x9F"
         "e \xE2\x82\xAC"
         "5 \xC7\x86 \xC5\xBF \xEF\xAC\x80 \xC4\xB1 \xC3\xBF\""},
        {"\xC2\x80\xC2\x81\xC2\x9F", 3, "\xC2\x80\xC2\x81\xC2\x9F", "\xC2\x80\xC2\x81\xC2\x9F",
         "\xC2\x80\xC2\x81\xC2\x9F", "\xC2\x80\xC2\x81\xC2\x9F", "?\x81?",
         "\"\xC2\x80\xC2\x81\xC2\x9F\""},
        {"\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E", 3, "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E",
         "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E",
         "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E", "???", "\"\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\""},
        {"\xEF\xBF\xBE", 1, "\xEF\xBF\xBE", "\xEF\xBF\xBE", "\xEF\xBF\xBE", "\xEF\xBF\xBE", "?",
         "\"\xEF\xBF\xBE\""},
        {"\xF0\x9F\x98\x80!", 2, "\xF0\x9F\x98\x80!", "\xF0\x9F\x98\x80!", "\xF0\x9F\x98\x80!",
         "\xF0\x9F\x98\x80!", "?!", "\"\xF0\x9F\x98\x80!\""},
        {"abcdefghijklmnopqrstuvwxyz\xC3\xA4z", 28, "abc", "z\xC3\xA4z", "abcdefghi",
         "ABCDEFGHIJKLMNOPQRSTUVWXYZ\xC3\x84Z", "abcdefghijklmnopqrstuvwxyz\xE4z",
         "\"abcdefghijklmnopqrstuvwxyz\xC3\xA4z\""},
        {"01234567\xC3\xA4"
         "89",
         11, "012",
         "\xC3\xA4"
         "89",
         "01234567\xC3\xA4",
         "01234567\xC3\x84"
         "89",
         "01234567\xE4"
         "89",
         "\"01234567\xC3\xA4"
         "89\""},
        {"ABCDEFGHIJKLMNOP\xE2\x82"
         "abcdefgh",
         25, "ABC", "fgh", "ABCDEFGHI",
         "ABCDEFGHIJKLMNOP\xE2\x82"
         "ABCDEFGH",
         "ABCDEFGHIJKLMNOP?abcdefgh",
         "\"ABCDEFGHIJKLMNOP\xEF\xBF\xBD"
         "abcdefgh\""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Len(c.text), c.len) << c.text;
        EXPECT_EQ(Left(c.text, 3), c.left3) << c.text;
        EXPECT_EQ(Right(c.text, 3), c.right3) << c.text;
        EXPECT_EQ(Left(c.text, 9), c.left9) << c.text;
        EXPECT_EQ(UCase(c.text), c.upper) << c.text;
        EXPECT_EQ(ToWindows1252(c.text), c.ansi) << c.text;
        EXPECT_EQ(JsonString(c.text), c.json) << c.text;
        // Only an ASCII text is its own Windows-1252 form with a byte per character.
        EXPECT_EQ(IsAscii(c.text), c.ansi == c.text && c.len == static_cast<int64_t>(c.text.size()))
            << c.text;
    }
}

TEST(Text, TrimRemovesBlanksOnly) {
    EXPECT_EQ(Trim("  a b  "), "a b");
    EXPECT_EQ(Trim("\ta\t"), "\ta\t");
    EXPECT_EQ(LTrim("  a "), "a ");
    EXPECT_EQ(RTrim("  a "), "  a");
    EXPECT_EQ(Trim("   "), "");
}

TEST(Text, Windows1252RoundTripsEveryByte) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all.push_back(static_cast<char>(b));
    EXPECT_EQ(ToWindows1252(FromWindows1252(all)), all);
    EXPECT_EQ(FromWindows1252("\x80\xE4\xDF"), "€äß");
    EXPECT_EQ(ToWindows1252("Größe €"),
              "Gr\xF6\xDF"
              "e \x80");
    EXPECT_EQ(ToWindows1252("日本"), "??");
    EXPECT_EQ(AnsiCode(U'€'), 0x80);
    EXPECT_EQ(AnsiCode(U'û'), 251);
    EXPECT_EQ(AnsiCode(U'日'), '?');
}

}  // namespace
}  // namespace calvora
