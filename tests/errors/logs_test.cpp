#include "errors/logs.h"

#include <gtest/gtest.h>

#include "platform/failure.h"
#include "tests/support/test_run.h"

namespace calvora {
namespace {

using test::TestRun;

TEST(Logs, StandaloneErrorLogLiesInTheParentOfTheProgramFolder) {
    TestRun t;
    t.process.programFile = "C:\\A\\B\\Calvora_Config";
    t.Write("C:\\A\\TRXcfglog.txt", "earlier\r\n");
    EXPECT_EQ(WriteErrorLog(t.run, "Größe"), "Error logged to \n\rC:\\A\\TRXCFGLOG.TXT");
    EXPECT_EQ(t.Read("C:\\A\\TRXcfglog.txt"),
              "earlier\r\nGr\xF6\xDF"
              "e\r\n");  // appended, never overwritten
}

TEST(Logs, ProgramInADriveRootLogsInThatRoot) {
    TestRun t;
    t.process.programFile = "C:\\Calvora_Config";
    EXPECT_EQ(ErrorLogPath(t.run), "C:\\TRXcfglog.txt");
}

TEST(Logs, IntegratedErrorLogIsTheLogfileSwitch) {
    TestRun t;
    t.run.IntegratedMode = true;
    t.run.LogFileSwitch = [] { return std::string("D:\\LOGS\\ERRORS.TXT"); };
    t.Write("D:\\logs\\errors.txt", "");
    EXPECT_EQ(WriteErrorLog(t.run, "x"), "Error logged to \n\rD:\\LOGS\\ERRORS.TXT");
    EXPECT_EQ(t.Read("D:\\logs\\errors.txt"), "x\r\n");
}

TEST(Logs, AnEmptyLogfileSwitchFailsTheWrite) {
    TestRun t;
    t.run.IntegratedMode = true;
    EXPECT_THROW(WriteErrorLog(t.run, "x"), Failure);
}

TEST(Logs, ServiceLogEntriesNameTheProgramAndKeepLineBreaks) {
    TestRun t;
    WriteServiceLog(t.run, "Unexpected error!\n\rOverflow");
    EXPECT_EQ(t.Read("C:\\BrantorServicePack.log"),
              "! Fault Calvora_Config: Unexpected error!\n\rOverflow\r\n");
}

TEST(Logs, FaultReportShowsABoxOrWritesTheServiceLogWhenSilent) {
    TestRun t;
    t.ui.Answer(box::kOk);
    ReportFault(t.run, "File not found: \n\rC:\\X");
    ASSERT_EQ(t.ui.boxes.size(), 1u);
    EXPECT_EQ(t.ui.boxes[0].style, box::kOkStop);
    EXPECT_EQ(t.ui.boxes[0].title, "Calvora_Config");
    EXPECT_FALSE(t.Exists("C:\\BrantorServicePack.log"));

    t.run.SilentMode = true;
    ReportFault(t.run, "File not found: \n\rC:\\X");
    EXPECT_EQ(t.ui.boxes.size(), 1u);
    EXPECT_EQ(t.Read("C:\\BrantorServicePack.log"),
              "! Fault Calvora_Config: File not found: \n\rC:\\X\r\n");
}

}  // namespace
}  // namespace calvora
