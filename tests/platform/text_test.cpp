#include "platform/text.h"

#include <gtest/gtest.h>

#include "platform/failure.h"

namespace calvora {
namespace {

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
    EXPECT_EQ(Len(UCase("straße")), Len("straße"));
    EXPECT_TRUE(EqualsNoCase("Var_Name", "VAR_NAME"));
    EXPECT_TRUE(EqualsNoCase("categorie", "CATEGORIE"));
    EXPECT_FALSE(EqualsNoCase("part", "parts"));
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
