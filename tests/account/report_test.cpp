#include "account/report.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

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

// The whole of both reports, byte for byte, for an empty account and for one
// that holds every kind of value: every type a field can have, numbers that
// JSON cannot hold, and texts with quotes, backslashes, controls, line
// breaks, non-ASCII characters and bytes that are not UTF-8.
TEST(Report, EveryValueHasItsOneWrittenForm) {
    const std::string odd =
        "Gr\xC3\xB6\xC3\x9F"
        "e \"q\" \\ \t\x01\x7f \xFF\xE2\x82 \r\n";
    struct Case {
        const char* name;
        std::function<void(RunAccount&)> note;
        std::string unit;
        const char* mode;
        int exitCode;
        std::string text;
        std::string json;
    };
    const Case cases[] = {
        {"empty account", [](RunAccount&) {}, "Calvora", "integrated", 0,
         "Unit: Calvora\n"
         "Started: 2026-12-07 13:45:01\n"
         "Mode: integrated\n"
         "Exit code: 0\n"
         "Published: no\n"
         "Backup: none\n"
         "Machines: 0 (0 valid)\n"
         "Records: 0\n"
         "Renamed: 0\n"
         "Tuned values kept: 0\n"
         "Dropped: 0\n"
         "New records: 0\n"
         "Out of range: 0\n"
         "Failures: 0\n"
         "\n"
         "Machines (records generated):\n"
         "\n"
         "Names renamed in the unit database (old -> new):\n"
         "\n"
         "Dropped machine-copy records, their tuned values are not in the published table\n"
         "(abs_min, abs_max, min, max, pass):\n"
         "\n"
         "New records, with the template's values:\n"
         "\n"
         "Taken-over min or max outside the template's abs_min..abs_max:\n"
         "\n"
         "Failures reported (number, procedure, description):\n",
         "{\n"
         "  \"unit\": \"Calvora\",\n"
         "  \"started\": \"2026-12-07 13:45:01\",\n"
         "  \"mode\": \"integrated\",\n"
         "  \"exitCode\": 0,\n"
         "  \"published\": false,\n"
         "  \"backup\": null,\n"
         "  \"records\": 0,\n"
         "  \"tuned\": 0,\n"
         "  \"droppedCount\": 0,\n"
         "  \"newCount\": 0,\n"
         "  \"outOfRangeCount\": 0,\n"
         "  \"failureCount\": 0,\n"
         "  \"machines\": [],\n"
         "  \"renamed\": [],\n"
         "  \"dropped\": [],\n"
         "  \"new\": [],\n"
         "  \"outOfRange\": [],\n"
         "  \"failures\": []\n"
         "}\n"},
        {"every kind of value",
         [&odd](RunAccount& account) {
             account.NoteBackup("Calvora.20261207-134501.mdb");
             account.NotePublished();
             account.NoteMachine("M1", true);
             account.NoteGenerated({Variant::Text("M1"), Variant::Text("Zone"), Variant::Long(4)});
             account.NoteGenerated({Variant::Text("M1"), Variant::Text(odd), Variant::Text("x")});
             account.NoteMachine(odd, false);
             account.NoteGenerated({Variant::Text(odd), Variant::Null(), Variant()});
             account.NoteTuned(0);
             account.NoteRename("Old", odd);
             account.NoteRename("Old", odd);
             account.NoteRename("Größe", "Groesse");
             account.NoteDropped(
                 {{Variant::Text("M1"), Variant::Text("gone"), Variant::Integer(-3)},
                  {Variant::Double(-1.5), Variant::Double(1e20), Variant::Single(0.1f),
                   Variant::Currency({123456}), Variant::Byte(7)}});
             account.NoteDropped(
                 {{Variant::Text(odd), Variant::Binary({0x00, 0xAB, 0xFF}), Variant::Boolean(true)},
                  {Variant::Double(NAN), Variant::Double(-INFINITY), Variant::Null(), Variant(),
                   Variant::Boolean(false)}});
             account.NoteDropped(
                 {{Variant::Text("M1"), Variant::Text("when"), Variant::Date({46363.5})},
                  {Variant::Text(odd), Variant::Long(-2147483647), Variant::Double(0.000012345),
                   Variant::Double(123456789012345678.0), Variant::Single(INFINITY)}});
             account.NoteOutOfRange({{Variant::Text("M1"), Variant::Text("Zone"), Variant::Long(4)},
                                     Variant::Double(-5),
                                     Variant::Double(500),
                                     Variant::Long(0),
                                     Variant::Long(100)});
             account.NoteFailure({3021, "TakeOver", odd});
             account.NoteFailure({-5, "", ""});
         },
         odd, "silent", 2,
         "Unit: Gr\xC3\xB6\xC3\x9F"
         "e \\\"q\\\" \\\\ \\t\\x01\\x7f \xFF\xE2\x82 \\r\\n\n"
         "Started: 2026-12-07 13:45:01\n"
         "Mode: silent\n"
         "Exit code: 2\n"
         "Published: yes\n"
         "Backup: Calvora.20261207-134501.mdb\n"
         "Machines: 2 (1 valid)\n"
         "Records: 3\n"
         "Renamed: 2\n"
         "Tuned values kept: 1\n"
         "Dropped: 3\n"
         "New records: 2\n"
         "Out of range: 1\n"
         "Failures: 2\n"
         "\n"
         "Machines (records generated):\n"
         "  \"M1\" valid, 2 records\n"
         "  \"Gr\xC3\xB6\xC3\x9F"
         "e \\\"q\\\" \\\\ \\t\\x01\\x7f \xFF\xE2\x82 \\r\\n\" not valid, 1 records\n"
         "\n"
         "Names renamed in the unit database (old -> new):\n"
         "  \"Old\" -> \"Gr\xC3\xB6\xC3\x9F"
         "e \\\"q\\\" \\\\ \\t\\x01\\x7f \xFF\xE2\x82 \\r\\n\" (2 records)\n"
         "  \"Gr\xC3\xB6\xC3\x9F"
         "e\" -> \"Groesse\" (1 records)\n"
         "\n"
         "Dropped machine-copy records, their tuned values are not in the published table\n"
         "(abs_min, abs_max, min, max, pass):\n"
         "  \"M1\" \"gone\" offset -3: -1.5, 1E+20, 0.1, 12.3456, 7\n"
         "  \"Gr\xC3\xB6\xC3\x9F"
         "e \\\"q\\\" \\\\ \\t\\x01\\x7f \xFF\xE2\x82 \\r\\n\" 0x00ABFF offset True: NaN, NaN, "
         "NULL, NULL, False\n"
         "  \"M1\" \"when\" offset 46363.5: \"Gr\xC3\xB6\xC3\x9F"
         "e \\\"q\\\" \\\\ \\t\\x01\\x7f \xFF\xE2\x82 \\r\\n\", -2147483647, 1.2345E-05, "
         "1.23456789012346E+17, NaN\n"
         "\n"
         "New records, with the template's values:\n"
         "  \"M1\" \"Gr\xC3\xB6\xC3\x9F"
         "e \\\"q\\\" \\\\ \\t\\x01\\x7f \xFF\xE2\x82 \\r\\n\" offset \"x\"\n"
         "  \"Gr\xC3\xB6\xC3\x9F"
         "e \\\"q\\\" \\\\ \\t\\x01\\x7f \xFF\xE2\x82 \\r\\n\" NULL offset NULL\n"
         "\n"
         "Taken-over min or max outside the template's abs_min..abs_max:\n"
         "  \"M1\" \"Zone\" offset 4: min -5, max 500, template range 0 .. 100\n"
         "\n"
         "Failures reported (number, procedure, description):\n"
         "  3021 \"TakeOver\" \"Gr\xC3\xB6\xC3\x9F"
         "e \\\"q\\\" \\\\ \\t\\x01\\x7f \xFF\xE2\x82 \\r\\n\"\n"
         "  -5 \"\" \"\"\n",
         "{\n"
         "  \"unit\": \"Gr\xC3\xB6\xC3\x9F"
         "e \\\"q\\\" \\\\ \\t\\u0001\\u007f \xEF\xBF\xBD\xEF\xBF\xBD \\r\\n\",\n"
         "  \"started\": \"2026-12-07 13:45:01\",\n"
         "  \"mode\": \"silent\",\n"
         "  \"exitCode\": 2,\n"
         "  \"published\": true,\n"
         "  \"backup\": \"Calvora.20261207-134501.mdb\",\n"
         "  \"records\": 3,\n"
         "  \"tuned\": 1,\n"
         "  \"droppedCount\": 3,\n"
         "  \"newCount\": 2,\n"
         "  \"outOfRangeCount\": 1,\n"
         "  \"failureCount\": 2,\n"
         "  \"machines\": [\n"
         "    {\"name\": \"M1\", \"valid\": true, \"records\": 2},\n"
         "    {\"name\": \"Gr\xC3\xB6\xC3\x9F"
         "e \\\"q\\\" \\\\ \\t\\u0001\\u007f \xEF\xBF\xBD\xEF\xBF\xBD \\r\\n\", \"valid\": false, "
         "\"records\": 1}\n"
         "  ],\n"
         "  \"renamed\": [\n"
         "    {\"old\": \"Old\", \"new\": \"Gr\xC3\xB6\xC3\x9F"
         "e \\\"q\\\" \\\\ \\t\\u0001\\u007f \xEF\xBF\xBD\xEF\xBF\xBD \\r\\n\", \"records\": 2},\n"
         "    {\"old\": \"Gr\xC3\xB6\xC3\x9F"
         "e\", \"new\": \"Groesse\", \"records\": 1}\n"
         "  ],\n"
         "  \"dropped\": [\n"
         "    {\"machine_type\": \"M1\", \"var_name\": \"gone\", \"offset_or_bitno\": -3, "
         "\"abs_min\": -1.5, \"abs_max\": 1E+20, \"min\": 0.1, \"max\": 12.3456, \"pass\": 7},\n"
         "    {\"machine_type\": \"Gr\xC3\xB6\xC3\x9F"
         "e \\\"q\\\" \\\\ \\t\\u0001\\u007f \xEF\xBF\xBD\xEF\xBF\xBD \\r\\n\", \"var_name\": "
         "\"00ABFF\", \"offset_or_bitno\": true, \"abs_min\": null, \"abs_max\": null, \"min\": "
         "null, \"max\": null, \"pass\": false},\n"
         "    {\"machine_type\": \"M1\", \"var_name\": \"when\", \"offset_or_bitno\": 46363.5, "
         "\"abs_min\": \"Gr\xC3\xB6\xC3\x9F"
         "e \\\"q\\\" \\\\ \\t\\u0001\\u007f \xEF\xBF\xBD\xEF\xBF\xBD \\r\\n\", \"abs_max\": "
         "-2147483647, \"min\": 1.2345E-05, \"max\": 1.23456789012346E+17, \"pass\": null}\n"
         "  ],\n"
         "  \"new\": [\n"
         "    {\"machine_type\": \"M1\", \"var_name\": \"Gr\xC3\xB6\xC3\x9F"
         "e \\\"q\\\" \\\\ \\t\\u0001\\u007f \xEF\xBF\xBD\xEF\xBF\xBD \\r\\n\", "
         "\"offset_or_bitno\": \"x\"},\n"
         "    {\"machine_type\": \"Gr\xC3\xB6\xC3\x9F"
         "e \\\"q\\\" \\\\ \\t\\u0001\\u007f \xEF\xBF\xBD\xEF\xBF\xBD \\r\\n\", \"var_name\": "
         "null, \"offset_or_bitno\": null}\n"
         "  ],\n"
         "  \"outOfRange\": [\n"
         "    {\"machine_type\": \"M1\", \"var_name\": \"Zone\", \"offset_or_bitno\": 4, \"min\": "
         "-5, \"max\": 500, \"abs_min\": 0, \"abs_max\": 100}\n"
         "  ],\n"
         "  \"failures\": [\n"
         "    {\"number\": 3021, \"procedure\": \"TakeOver\", \"description\": \"Gr\xC3\xB6\xC3\x9F"
         "e \\\"q\\\" \\\\ \\t\\u0001\\u007f \xEF\xBF\xBD\xEF\xBF\xBD \\r\\n\"},\n"
         "    {\"number\": -5, \"procedure\": \"\", \"description\": \"\"}\n"
         "  ]\n"
         "}\n"},
    };
    for (const Case& c : cases) {
        RunAccount account;
        c.note(account);
        RunReport report{c.unit, "2026-12-07 13:45:01", c.mode, c.exitCode, account};
        EXPECT_EQ(ReportText(report), c.text) << c.name;
        EXPECT_EQ(ReportJson(report), c.json) << c.name;
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
