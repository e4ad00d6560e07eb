// The case-blind text order behind the dialect's equality and the indexes.
#include "dao/detail/nocase.h"

#include <gtest/gtest.h>

#include "platform/text.h"

namespace calvora::test {
namespace {

using dao::detail::CompareNoCase;

int Sign(int v) {
    return (v > 0) - (v < 0);
}

TEST(EngineNoCase, EqualTextsUnderUpperCase) {
    const std::pair<const char*, const char*> equal[] = {
        {"Heizung.Soll", "HEIZUNG.soll"},
        {"äpfel", "ÄPFEL"},
        {"Zone_ß", "zone_ß"},
        {"", ""},
        {"ıx", "IX"},
        {"straße", "STRAßE"},
    };
    for (const auto& [a, b] : equal)
        EXPECT_EQ(CompareNoCase(a, b), 0) << a << " / " << b;
    const std::pair<const char*, const char*> different[] = {
        {"a", "ab"}, {"straße", "STRASSE"}, {"Zone1", "Zone2"}, {"ä", "a"}};
    for (const auto& [a, b] : different)
        EXPECT_NE(CompareNoCase(a, b), 0) << a << " / " << b;
}

// The order is that of the upper-cased texts, byte for byte, also where the
// texts part inside a character, and for ill-formed bytes (kept as they are).
TEST(EngineNoCase, OrderIsThatOfTheUpperCasedTexts) {
    const std::string texts[] = {"abc",
                                 "ABD",
                                 "ab",
                                 "xä",
                                 "xÄ",
                                 "xå",
                                 "xé",
                                 "xÉz",
                                 std::string("x\xC3") + "A",
                                 std::string("x\xC5") + "T",
                                 "x\xC3\xA4",
                                 "x\xA4",
                                 "x\xE2\x82",
                                 "x\xE2\x82\xAC",
                                 "xſ",
                                 "xs",
                                 "xT",
                                 "ı",
                                 "I",
                                 "j",
                                 ""};
    for (const std::string& a : texts)
        for (const std::string& b : texts)
            EXPECT_EQ(Sign(CompareNoCase(a, b)), Sign(UCase(a).compare(UCase(b))))
                << a << " / " << b;
}

// An index needs one consistent order: antisymmetric and transitive over a
// mix of ASCII and non-ASCII texts.
TEST(EngineNoCase, OrderIsConsistent) {
    const char* texts[] = {"a", "B", "ä", "Ä", "ab", "Ab", "ıb", "Z", "z1", "", "é", "E"};
    for (const char* a : texts)
        for (const char* b : texts) {
            EXPECT_EQ(Sign(CompareNoCase(a, b)), -Sign(CompareNoCase(b, a))) << a << " " << b;
            for (const char* c : texts) {
                if (CompareNoCase(a, b) <= 0 && CompareNoCase(b, c) <= 0) {
                    EXPECT_LE(CompareNoCase(a, c), 0) << a << " " << b << " " << c;
                }
            }
        }
}

}  // namespace
}  // namespace calvora::test
