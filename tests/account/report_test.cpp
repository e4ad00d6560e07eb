#include "account/report.h"

#include <gtest/gtest.h>

#include <cmath>

namespace calvora::test {
namespace {

// A value that holds line breaks, quotes, a tab, a control character or
// bytes that are not UTF-8 breaks neither a line of the text report nor the
// JSON document.
TEST(Report, NoValueBreaksALineOrTheJson) {
    const std::string values[] = {"two\nlines", "cr\rlf\r\n",         "say \"hi\"", "tab\there",
                                  "bell\x07",   "bad \xff\xfe utf-8", "back\\slash"};
    for (const std::string& value : values) {
        RunAccount account;
        account.NoteMachine(value, true);
        account.NoteGenerated({Variant::Text(value), Variant::Text(value), Variant::Long(1)});
        account.NoteRename(value, value + "x");
        account.NoteDropped({{Variant::Text(value), Variant::Text(value), Variant::Text(value)},
                             {Variant::Text(value), Variant::Double(NAN), Variant::Null(),
                              Variant::Double(INFINITY), Variant::Boolean(true)}});
        account.NoteFailure({5, value, value});
        RunReport report{value, "2026-12-07 13:45:01", "silent", 1, account};

        RunAccount empty;
        RunReport plain{"Calvora", "2026-12-07 13:45:01", "silent", 1, empty};
        // The same lists with one entry each, whatever the value holds: the
        // line count is that of the report without them, plus five.
        std::string text = ReportText(report);
        auto lines = [](const std::string& s) { return std::count(s.begin(), s.end(), '\n'); };
        EXPECT_EQ(lines(text), lines(ReportText(plain)) + 5) << text;
        EXPECT_EQ(text.find('\r'), std::string::npos) << text;

        std::string json = ReportJson(report);
        EXPECT_EQ(lines(json), lines(ReportJson(plain)) + 10) << json;
        for (char c : json)
            EXPECT_TRUE(c == '\n' || static_cast<unsigned char>(c) >= 0x20) << json;
        EXPECT_EQ(json.find("\xff"), std::string::npos);
        EXPECT_EQ(json.find("nan"), std::string::npos) << json;
        EXPECT_EQ(json.find("inf"), std::string::npos) << json;
    }
}

TEST(Report, CountsComeFirstThenTheLists) {
    RunAccount account;
    for (int i = 0; i < 3; ++i)
        account.NoteDropped({{Variant::Text("M1"), Variant::Text("v"), Variant::Long(i)}, {}});
    RunReport report{"Calvora", "2026-12-07 13:45:01", "integrated", 0, account};
    std::map<std::string, std::string> header = ReadReportHeader(ReportText(report));
    EXPECT_EQ(header["Mode"], "integrated");
    EXPECT_EQ(header["Dropped"], "3");
    EXPECT_EQ(header["Published"], "no");
    EXPECT_EQ(header["Backup"], "none");
    EXPECT_EQ(header.count("Machines (records generated)"), 0u);
    EXPECT_EQ(SummaryLine(report, "C:\\P\\r.txt"),
              "Calvora: 0 records, 0 tuned values kept, 3 dropped - report: C:\\P\\r.txt");
}

TEST(Report, ThousandsAreGrouped) {
    const std::pair<int64_t, const char*> cases[] = {
        {0, "0"},          {999, "999"},           {1000, "1,000"},
        {32766, "32,766"}, {1234567, "1,234,567"}, {-1000, "-1,000"}};
    for (const auto& [n, text] : cases)
        EXPECT_EQ(WithThousands(n), text);
}

// Keys pair as the takeover's query pairs records: texts without regard to
// case, the offset by its number, whether stored as text or number.
TEST(Report, KeysPairAsTheTakeoverPairsThem) {
    const PresetKey key{Variant::Text("M1"), Variant::Text("Zone"), Variant::Long(4)};
    struct Case {
        PresetKey other;
        bool same;
    };
    const Case cases[] = {
        {{Variant::Text("m1"), Variant::Text("ZONE"), Variant::Double(4)}, true},
        {{Variant::Text("M1"), Variant::Text("Zone"), Variant::Text("4")}, true},
        {{Variant::Text("M1"), Variant::Text("Zone"), Variant::Long(5)}, false},
        {{Variant::Text("M1"), Variant::Text("Zone "), Variant::Long(4)}, false},
        {{Variant::Text("M1"), Variant::Text("Zone"), Variant::Null()}, false},
        {{Variant::Text("M1Zone"), Variant::Text(""), Variant::Long(4)}, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MatchKey(key) == MatchKey(c.other), c.same)
            << MatchKey(c.other) << " vs " << MatchKey(key);

    RunAccount account;
    account.NoteMachine("M1", true);
    account.NoteGenerated(key);
    account.NoteGenerated({Variant::Text("M1"), Variant::Text("new"), Variant::Long(4)});
    account.NoteTuned(0);
    ASSERT_EQ(account.NewRecords().size(), 1u);
    EXPECT_EQ(account.NewRecords()[0].varName.AsText(), "new");
    EXPECT_EQ(account.Machines()[0].records, 2);
}

}  // namespace
}  // namespace calvora::test
