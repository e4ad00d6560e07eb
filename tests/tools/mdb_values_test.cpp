// The Access importer's value conversions on their edges: dates, currency,
// the stored forms of text, GUIDs.
#include "tools/mdb_values.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>
#include <utility>

namespace calvora::test {
namespace {

TEST(MdbValues, JetDatesBecomeTextRoundedToTheSecond) {
    const std::pair<double, const char*> cases[] = {
        {0.0, "1899-12-30 00:00:00"},
        {1.5, "1899-12-31 12:00:00"},
        {-1.25, "1899-12-29 06:00:00"},  // the fraction counts forward before day 0 too
        {45368.5732638889, "2024-03-17 13:45:30"},
        {0.999999999, "1899-12-31 00:00:00"},  // rounding carries into the next day
        {60.0, "1900-02-28 00:00:00"},
        {61.0, "1900-03-01 00:00:00"},
        {-657434.0, "0100-01-01 00:00:00"},
        {2958465.99998, "9999-12-31 23:59:58"},
    };
    for (const auto& [days, text] : cases) {
        EXPECT_EQ(mdbimport::DateText(days), std::optional<std::string>(text)) << days;
    }
    for (double bad : {-657435.0, 2958466.0, 2958465.999999999, std::nan(""), 1e300, -1e300}) {
        EXPECT_EQ(mdbimport::DateText(bad), std::nullopt) << bad;
    }
}

TEST(MdbValues, CurrencyIsExactOrRefused) {
    EXPECT_EQ(mdbimport::CurrencyValue(-1), -0.0001);
    EXPECT_EQ(mdbimport::CurrencyValue(12345678), 1234.5678);
    EXPECT_EQ(mdbimport::CurrencyValue(int64_t{1} << 53), 900719925474.0992);
    EXPECT_EQ(mdbimport::CurrencyValue((int64_t{1} << 53) + 1), std::nullopt);
    EXPECT_EQ(mdbimport::CurrencyValue(INT64_MIN), std::nullopt);
}

TEST(MdbValues, TextDecodesEveryStoredForm) {
    using mdbimport::DecodeText;
    auto bytes = [](std::initializer_list<int> b) {
        std::string s;
        for (int c : b)
            s.push_back(static_cast<char>(c));
        return s;
    };
    // Compressed: one-byte characters, a 00 switching to UTF-16 for "€", back again.
    EXPECT_EQ(DecodeText(bytes({0xFF, 0xFE, 'G', 'r', 0xFC, 0, 0xAC, 0x20, 0, '!'}), true),
              "Grü€!");
    EXPECT_EQ(DecodeText(bytes({0xDF, 0x00, 0x3D, 0xD8, 0x00, 0xDE}), true), "ß\U0001F600");
    EXPECT_EQ(DecodeText("", true), "");
    EXPECT_EQ(DecodeText(bytes({0x80, 'a', 0xE4}), false), "€aä");            // Jet 3: Windows-1252
    EXPECT_EQ(DecodeText(bytes({'a', 0, 'b'}), true), std::nullopt);          // odd length
    EXPECT_EQ(DecodeText(bytes({0x3D, 0xD8, 'a', 0}), true), std::nullopt);   // lone high
    EXPECT_EQ(DecodeText(bytes({0x00, 0xDE}), true), std::nullopt);           // lone low
    EXPECT_EQ(DecodeText(bytes({0xFF, 0xFE, 0, 0xAC}), true), std::nullopt);  // cut unit
}

TEST(MdbValues, GuidGroupsFollowTheStoredByteOrder) {
    const unsigned char stored[16] = {0xFF, 0x19, 0x96, 0x6F, 0x86, 0x8B, 0x11, 0xD0,
                                      0xB4, 0x2D, 0x00, 0xC0, 0x4F, 0xC9, 0x64, 0xFF};
    EXPECT_EQ(mdbimport::GuidText(stored), "{6F9619FF-8B86-D011-B42D-00C04FC964FF}");
}

}  // namespace
}  // namespace calvora::test
