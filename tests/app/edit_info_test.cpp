#include "app/edit_info.h"

#include <gtest/gtest.h>

#include "errors/error_protocol.h"
#include "settings/ini_access.h"
#include "tests/support/test_run.h"

namespace calvora::test {
namespace {

const std::string kCfg = "C:\\Project\\Calvora\\Calvora.cfg";

TEST(EncodeEditorTest, EncodesEachCharacterOfTheValue) {
    struct Case {
        std::string entry, mark;
    };
    const Case cases[] = {
        {"USER=abc", "666768"},    // 97 + 5 = 0x66
        {"X=A_B", "4647"},         // "_" is skipped
        {"X=-_-__", ""},           // nothing but skipped characters
        {"X=", ""},                // empty value
        {"abc", "666768"},         // no "=": the whole entry is the value
        {"X=a=b", "664267"},       // the value runs from the first "="
        {"X=\xC3\xBB", "100"},     // u with circumflex, 251 + 5 = 256: three digits
        {"X=\xE2\x82\xAC", "85"},  // the euro sign is 128 in Windows-1252
        {"X=\x01\x0A", "6F"},      // sums below 16 give one digit
        {"X=\xE4\xB8\x80", "44"},  // outside Windows-1252: '?' (63)
    };
    for (const Case& c : cases)
        EXPECT_EQ(EncodeEditor(c.entry), c.mark) << c.entry;
}

class WriteEditInfoTest : public ::testing::Test {
  protected:
    void SetUp() override { t.Write(kCfg, "[Project]\r\nValidMachines=1\r\n"); }
    std::string Info(const std::string& key) {
        return LoadIniString(t.run, "Info", key, kCfg, false);
    }
    TestRun t;
};

TEST_F(WriteEditInfoTest, ProgramEntryNamesVersionAndStartMode) {
    struct Case {
        bool integrated, silent;
        std::string prog;
    };
    for (const Case& c :
         {Case{false, false, "1.0.1 - Standalone"}, Case{true, false, "1.0.1 - Integrated"},
          Case{false, true, "1.0.1 - Standalone"}}) {
        t.run.IntegratedMode = c.integrated;
        t.run.SilentMode = c.silent;
        WriteEditInfo(t.run);
        EXPECT_EQ(Info("S_Prog"), c.prog);
    }
    t.process.version = {2, 0, 14};
    WriteEditInfo(t.run);
    EXPECT_EQ(Info("S_Prog"), "2.0.14 - Standalone");
}

TEST_F(WriteEditInfoTest, WritesBothEntriesIntoSectionInfo) {
    t.process.firstEnvironmentEntry = "LOGNAME=abc";
    WriteEditInfo(t.run);
    EXPECT_EQ(t.Read(kCfg),
              "[Project]\r\nValidMachines=1\r\n"
              "[Info]\r\nS_Prog=1.0.1 - Standalone\r\nS_Editor=666768\r\n");

    t.process.firstEnvironmentEntry = "LOGNAME=-_";
    WriteEditInfo(t.run);
    EXPECT_EQ(Info("S_Editor"), "");
    EXPECT_NE(t.Read(kCfg).find("S_Editor=\r\n"), std::string::npos);
}

TEST_F(WriteEditInfoTest, MissingConfigurationFileEndsTheProgram) {
    std::filesystem::remove(t.Host(kCfg));
    t.ui.Answer(box::kOk);
    try {
        WriteEditInfo(t.run);
        FAIL() << "the run went on without its configuration file";
    } catch (const EndOfProgram& end) {
        EXPECT_EQ(end.exitCode, 2);
    }
    ASSERT_EQ(t.ui.boxes.size(), 1u);
    EXPECT_EQ(t.ui.boxes[0].style, box::kOkStop);
    EXPECT_FALSE(t.Exists(kCfg));
}

// A configuration file that refuses the write (here: no write permission)
// is a failure of the run for each entry, not a silent success.
TEST_F(WriteEditInfoTest, RefusedWriteIsReportedForEachEntry) {
    const std::string before = t.Read(kCfg);
    std::filesystem::permissions(t.Host(kCfg), std::filesystem::perms::owner_read |
                                                   std::filesystem::perms::group_read |
                                                   std::filesystem::perms::others_read);
    t.ui.Answer(box::kYes);
    t.ui.Answer(box::kYes);
    WriteEditInfo(t.run);
    EXPECT_EQ(t.run.FailuresReported, 2);
    const std::string log = t.Read("C:\\Project\\TRXcfglog.txt");
    EXPECT_NE(log.find("WriteEditInfo (Nr. 75) :Path/File access error: [Info] S_Prog could not "
                       "be written to 'C:\\Project\\Calvora\\Calvora.cfg'."),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("[Info] S_Editor could not be written"), std::string::npos) << log;
    EXPECT_EQ(t.Read(kCfg), before);
}

}  // namespace
}  // namespace calvora::test
