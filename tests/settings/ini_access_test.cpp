#include "settings/ini_access.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "errors/error_protocol.h"
#include "errors/logs.h"
#include "tests/support/german_locale.h"
#include "tests/support/test_run.h"

namespace calvora::test {
namespace {

const std::string kIni = "C:\\Project\\Calvora\\Calvora.cfg";
const std::string kMissingMessage =
    "File 'C:\\Project\\Calvora\\Calvora.cfg' or Section [Project] or Entry 'Key' not found";

class IniAccessTest : public ::testing::Test {
  protected:
    // A file whose section "Project" holds Key=<value>.
    void WriteKey(const std::string& value) { t.Write(kIni, "[Project]\r\nKey=" + value + "\r\n"); }
    TestRun t;
};

TEST_F(IniAccessTest, LoadIniStringReadsUpTo254Characters) {
    WriteKey(std::string(300, 'a'));
    EXPECT_EQ(LoadIniString(t.run, "Project", "Key", kIni, false), std::string(254, 'a'));
    WriteKey("  Line A  ");
    EXPECT_EQ(LoadIniString(t.run, "project", "KEY", kIni, false), "Line A");
}

TEST_F(IniAccessTest, MissingEntriesGiveTheFallbacksWithoutReport) {
    WriteKey("");
    for (const std::string& file : {kIni, std::string("C:\\missing.ini"), std::string(""),
                                    std::string("Q:\\unmapped\\drive.ini")}) {
        for (const char* key : {"Key", "Other"}) {
            EXPECT_EQ(LoadIniString(t.run, "Project", key, file, false), "") << file << key;
            EXPECT_EQ(LoadIniInteger(t.run, "Project", key, file, false), -1) << file << key;
            EXPECT_FALSE(LoadIniBoolean(t.run, "Project", key, file, false)) << file << key;
        }
    }
    EXPECT_TRUE(t.ui.boxes.empty());
}

TEST_F(IniAccessTest, ReportMissingShowsTheFaultReport) {
    WriteKey("");  // present but empty counts as missing
    t.ui.Answer(box::kOk);
    EXPECT_EQ(LoadIniString(t.run, "Project", "Key", kIni, true), "");
    ASSERT_EQ(t.ui.boxes.size(), 1u);
    EXPECT_EQ(t.ui.boxes[0].text, kMissingMessage);
    EXPECT_EQ(t.ui.boxes[0].style, box::kOkStop);
    EXPECT_EQ(t.ui.boxes[0].title, "Calvora_Config");

    WriteKey("value");
    EXPECT_EQ(LoadIniString(t.run, "Project", "Key", kIni, true), "value");
    EXPECT_EQ(t.ui.boxes.size(), 1u);
}

TEST_F(IniAccessTest, ReportMissingGoesToTheServiceLogInSilentMode) {
    t.run.SilentMode = true;
    EXPECT_EQ(LoadIniInteger(t.run, "Project", "Key", kIni, true), -1);
    EXPECT_EQ(t.Read(kServiceLogPath), "! Fault Calvora_Config: " + kMissingMessage + "\r\n");
    EXPECT_TRUE(t.ui.boxes.empty());
}

TEST_F(IniAccessTest, LoadIniIntegerNarrowsTo16Bits) {
    const std::pair<const char*, int16_t> cases[] = {
        {"12", 12},         {"-1", -1},         {"32767", 32767},
        {"-32768", -32768}, {"4294967295", -1},  // wraps to -1 in 32 bits, which fits
        {"12abc", 12},      {"abc", 0},         {"", -1},
    };
    for (const auto& [value, expected] : cases) {
        WriteKey(value);
        EXPECT_EQ(LoadIniInteger(t.run, "Project", "Key", kIni, false), expected) << value;
    }
    EXPECT_TRUE(t.ui.boxes.empty());
}

TEST_F(IniAccessTest, LoadIniIntegerOutside16BitsOverflows) {
    for (const char* value : {"32768", "-32769", "100000"}) {
        TestRun run;
        run.Write(kIni, std::string("[Project]\r\nKey=") + value + "\r\n");
        run.ui.Answer(box::kYes);
        EXPECT_EQ(LoadIniInteger(run.run, "Project", "Key", kIni, false), 0) << value;
        ASSERT_EQ(run.ui.boxes.size(), 1u) << value;
        EXPECT_NE(run.Read("C:\\Project\\TRXcfglog.txt").find(" / LoadIniInteger (Nr. 6) :"),
                  std::string::npos);
    }
    WriteKey("40000");
    t.ui.Answer(box::kNo);
    EXPECT_THROW(LoadIniInteger(t.run, "Project", "Key", kIni, false), EndOfProgram);
}

TEST_F(IniAccessTest, LoadIniBooleanIsTrueOnlyForTrue) {
    const std::pair<const char*, bool> cases[] = {
        {"True", true}, {"true", true},   {"TRUE", true},   {"  TRUE  ", true}, {"\"true\"", true},
        {"1", false},   {"yes", false},   {"on", false},    {"-1", false},      {"FALSE", false},
        {"", false},    {"TRUEX", false}, {"T RUE", false},
    };
    for (const auto& [value, expected] : cases) {
        WriteKey(value);
        EXPECT_EQ(LoadIniBoolean(t.run, "Project", "Key", kIni, false), expected) << value;
    }
}

TEST_F(IniAccessTest, LoadIniBooleanReportsAnythingButTrueOrFalse) {
    const std::pair<const char*, bool> cases[] = {
        {"TRUE", false}, {"false", false}, {"yes", true}, {"1", true}, {"", true},
    };
    for (const auto& [value, reported] : cases) {
        TestRun run;
        run.Write(kIni, std::string("[Project]\r\nKey=") + value + "\r\n");
        if (reported) {
            run.ui.Answer(box::kOk);
        }
        LoadIniBoolean(run.run, "Project", "Key", kIni, true);
        EXPECT_EQ(run.ui.boxes.size(), reported ? 1u : 0u) << value;
    }
}

TEST_F(IniAccessTest, SaveIniWritesTheTextOfEachType) {
    // Numbers never take the user's decimal comma.
    GermanLocale german;
    ASSERT_TRUE(german.Problem().empty()) << german.Problem();
    const std::pair<Variant, const char*> cases[] = {
        {Variant::Boolean(true), "true"},    {Variant::Boolean(false), "false"},
        {Variant::Integer(5), "5"},          {Variant::Integer(-5), "-5"},
        {Variant::Long(-100000), "-100000"}, {Variant::Byte(255), "255"},
        {Variant::Double(1.5), "1.5"},       {Variant::Single(0.25f), "0.25"},
        {Variant::Text(" a b "), " a b "},   {Variant::Text(""), ""},
    };
    t.Write(kIni, "");
    for (const auto& [value, text] : cases) {
        EXPECT_EQ(SaveIni(t.run, value, "Info", "S_Prog", kIni), 1) << text;
        EXPECT_EQ(t.Read(kIni), std::string("[Info]\r\nS_Prog=") + text + "\r\n") << text;
    }
    EXPECT_TRUE(t.ui.boxes.empty());
}

TEST_F(IniAccessTest, SaveIniBooleanReadsBack) {
    t.Write(kIni, "");
    SaveIni(t.run, Variant::Boolean(true), "Project", "ForMachine1", kIni);
    SaveIni(t.run, Variant::Boolean(false), "Project", "ForMachine2", kIni);
    EXPECT_TRUE(LoadIniBoolean(t.run, "Project", "ForMachine1", kIni, false));
    EXPECT_FALSE(LoadIniBoolean(t.run, "Project", "ForMachine2", kIni, false));
}

TEST_F(IniAccessTest, SaveIniReportsOtherTypesAndWritesNothing) {
    const Variant others[] = {Variant(), Variant::Null(), Variant::Currency({15000}),
                              Variant::Date({45000.5}), Variant::Binary({1, 2})};
    WriteKey("kept");
    for (const Variant& value : others) {
        t.ui.Answer(box::kOk);
        EXPECT_EQ(SaveIni(t.run, value, "Project", "Key", kIni), 0);
        ASSERT_FALSE(t.ui.boxes.empty());
        EXPECT_EQ(t.ui.boxes.back().text, "Ini Save:  wrong data type");
    }
    EXPECT_EQ(t.Read(kIni), "[Project]\r\nKey=kept\r\n");
}

TEST_F(IniAccessTest, RefusedWritesReturnZeroWithoutReport) {
    EXPECT_EQ(SaveIni(t.run, Variant::Text("v"), "Info", "S_Prog", "C:\\NoFolder\\x.cfg"), 0);
    EXPECT_FALSE(t.Exists("C:\\NoFolder"));
    EXPECT_EQ(SaveIni(t.run, Variant::Text("v"), "Info", "S_Prog", "Q:\\unmapped.cfg"), 0);

    WriteKey("old");
    std::filesystem::permissions(t.Host(kIni), std::filesystem::perms::owner_read);
    EXPECT_EQ(SaveIni(t.run, Variant::Text("new"), "Project", "Key", kIni), 0);
    EXPECT_EQ(t.Read(kIni), "[Project]\r\nKey=old\r\n");
    EXPECT_TRUE(t.ui.boxes.empty());
}

TEST_F(IniAccessTest, SaveIniCreatesTheFileAndFindsItsSpelling) {
    // The file lies on disk as "calvora.CFG"; the write edits it, not a twin.
    t.Write("C:\\Project\\Calvora\\calvora.CFG", "[Info]\r\n");
    EXPECT_EQ(SaveIni(t.run, Variant::Text("1.0.1"), "Info", "S_Prog", kIni), 1);
    EXPECT_EQ(t.Read("C:\\Project\\Calvora\\calvora.CFG"), "[Info]\r\nS_Prog=1.0.1\r\n");

    EXPECT_EQ(SaveIni(t.run, Variant::Text("x"), "Info", "S_Prog", "C:\\Project\\new.ini"), 1);
    EXPECT_EQ(t.Read("C:\\Project\\new.ini"), "[Info]\r\nS_Prog=x\r\n");
}

}  // namespace
}  // namespace calvora::test
