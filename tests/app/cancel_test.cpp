#include "app/cancel.h"

#include <gtest/gtest.h>

#include "platform/failure.h"
#include "tests/support/test_run.h"

namespace calvora::test {
namespace {

const std::string kErrorLog = "C:\\Project\\TRXcfglog.txt";
const std::string kServiceLog = "C:\\BrantorServicePack.log";
const std::string kStandaloneText =
    "Cancel edits?\n\rRemark:\n\rUntil now no changes have been taken over ";

TEST(ConfirmCancelTest, StandaloneNoKeepsTheDialogAndLogsNothing) {
    TestRun t;
    t.ui.Answer(box::kNo);
    EXPECT_FALSE(ConfirmCancel(t.run));
    ASSERT_EQ(t.ui.boxes.size(), 1u);
    EXPECT_EQ(t.ui.boxes[0].text, kStandaloneText);
    EXPECT_EQ(t.ui.boxes[0].style, 308);
    EXPECT_EQ(t.ui.boxes[0].title, "Cancel?");
    EXPECT_FALSE(t.Exists(kErrorLog));
}

TEST(ConfirmCancelTest, StandaloneYesLogsTheCancel) {
    TestRun t;
    t.ui.Answer(box::kYes);
    EXPECT_TRUE(ConfirmCancel(t.run));
    EXPECT_EQ(t.Read(kErrorLog), "Konfigurations-EXE wurde abgebrochen:     Calvora\r\n");
    EXPECT_FALSE(t.Exists(kServiceLog));
}

TEST(ConfirmCancelTest, IntegratedTextTellsHowToConfigureByHand) {
    TestRun t;
    t.run.IntegratedMode = true;
    t.run.LogFileSwitch = [] { return std::string("D:\\Logs\\trx.log"); };
    t.Write("D:\\Logs\\keep.txt", "");
    t.ui.Answer(box::kYes);
    EXPECT_TRUE(ConfirmCancel(t.run));
    ASSERT_EQ(t.ui.boxes.size(), 1u);
    EXPECT_EQ(t.ui.boxes[0].text,
              kStandaloneText +
                  "\n\r\"Calvora\" has to be configured again in \"standalone-mode\" via "
                  "\n\r\"C:\\Project\\Config\\Calvora_Config.exe\"");
    EXPECT_EQ(t.Read("D:\\Logs\\trx.log"), "Konfigurations-EXE wurde abgebrochen:     Calvora\r\n");
}

TEST(ConfirmCancelTest, SilentModeAsksNobodyAndWritesTheServiceLog) {
    TestRun t;
    t.run.SilentMode = true;
    EXPECT_TRUE(ConfirmCancel(t.run));
    EXPECT_TRUE(t.ui.boxes.empty());
    EXPECT_EQ(t.Read(kServiceLog), "! Fault Calvora_Config: " + kStandaloneText + "\r\n");
    EXPECT_FALSE(t.Exists(kErrorLog));
}

TEST(ConfirmCancelTest, ALogThatCannotBeWrittenReachesTheCaller) {
    TestRun t;
    t.process.programFile = "C:\\Missing\\Config\\Calvora_Config";
    t.ui.Answer(box::kYes);
    EXPECT_THROW(ConfirmCancel(t.run), Failure);
}

}  // namespace
}  // namespace calvora::test
