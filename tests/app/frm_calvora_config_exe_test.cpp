#include "app/frm_calvora_config_exe.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "errors/error_protocol.h"
#include "settings/ini_access.h"
#include "tests/app/test_form.h"
#include "tests/support/test_run.h"

namespace calvora::test {
namespace {

const std::string kCfg = "C:\\Project\\Calvora\\Calvora.cfg";
const std::string kCfgText = "[Project]\r\nValidMachines=1\r\n";
const std::string kErrorLog = "C:\\Project\\TRXcfglog.txt";

// Stands in for the database update: counts its runs, lets window events
// through as the long loops do, and fails when asked.
int updates = 0;
bool updateFails = false;
void Update(RunState& run) {
    ++updates;
    run.ui().DoEvents();
    if (updateFails)
        throw Failure(3024, "DAO.Database", "Could not find file 'Calvora.mdb'");
}

class DialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        updates = 0;
        updateFails = false;
        t.Write(kCfg, kCfgText);
        AddDialogControls(form);
    }

    // Runs f to the end of the program: its exit code, or nullopt when f
    // returned and the program goes on.
    static std::optional<int> ExitCodeOf(const std::function<void()>& f) {
        try {
            f();
        } catch (const EndOfProgram& end) {
            return end.exitCode;
        }
        return std::nullopt;
    }
    std::optional<int> Load() {
        return ExitCodeOf([&] { dialog.Form_Load(); });
    }
    std::string SProg() { return LoadIniString(t.run, "Info", "S_Prog", kCfg, false); }

    TestRun t;
    TestForm form;
    frm_Calvora_Config_Exe dialog{t.run, form, &Update};
};

TEST_F(DialogTest, CaptionNamesTheProgramFolderAndTheStartMode) {
    struct Case {
        std::string commandLine, caption, prog;
    };
    for (const Case& c :
         {Case{"", "Erweiterte Konfiguration Config - standalone", "1.0.1 - Standalone"},
          Case{"/EXTERNAL=TRXCFG /LOGFILE=C:\\trx.log",
               "Erweiterte Konfiguration Config - integriert", "1.0.1 - Integrated"},
          Case{"/EXTERNAL=SILENT", "Erweiterte Konfiguration Config - standalone",
               "1.0.1 - Standalone"}}) {
        TestRun run;
        run.Write(kCfg, kCfgText);
        run.process.commandLine = c.commandLine;
        TestForm f;
        AddDialogControls(f);
        frm_Calvora_Config_Exe d(run.run, f, &Update);
        EXPECT_EQ(ExitCodeOf([&] { d.Form_Load(); }), 0) << c.commandLine;
        EXPECT_EQ(f.Caption(), c.caption);
        EXPECT_EQ(LoadIniString(run.run, "Info", "S_Prog", kCfg, false), c.prog);
    }
}

TEST_F(DialogTest, StandaloneStartRunsTheUpdateWithoutAnyClick) {
    form["CommandOK"].SetEnabled(false);
    form["CommandCancel"].SetEnabled(false);
    EXPECT_EQ(Load(), exitcode::kClean);
    EXPECT_TRUE(form["CommandOK"].Enabled());
    EXPECT_TRUE(form["CommandCancel"].Enabled());
    EXPECT_EQ(updates, 1);
    EXPECT_EQ(t.ui.eventPasses, 2);  // one before the update, one inside it
    EXPECT_EQ(t.ui.busyChanges, (std::vector<bool>{true, false}));
    EXPECT_EQ(form.shown, 1);
    EXPECT_EQ(SProg(), "1.0.1 - Standalone");
    EXPECT_TRUE(t.ui.boxes.empty());
}

TEST_F(DialogTest, SilentStartRunsTheClosingSequenceOnceThroughTheOkHandler) {
    t.process.commandLine = "/EXTERNAL=SILENT";
    EXPECT_EQ(Load(), exitcode::kClean);
    EXPECT_FALSE(form["CommandOK"].Enabled());
    EXPECT_FALSE(form["CommandCancel"].Enabled());
    EXPECT_EQ(updates, 1);
    EXPECT_EQ(t.ui.eventPasses, 2);  // one before the update, one inside it
    EXPECT_EQ(form.shown, 0);
    EXPECT_TRUE(t.run.SilentMode);
}

TEST_F(DialogTest, QuestButtonTogglesTheHelpModeAndItsColour) {
    dialog.CommandQuest_Click();
    EXPECT_TRUE(t.run.QuestMode);
    EXPECT_EQ(form["CommandQuest"].BackColor(), kPureGreen);
    dialog.CommandQuest_Click();
    EXPECT_FALSE(t.run.QuestMode);
    EXPECT_EQ(form["CommandQuest"].BackColor(), kLightGrey);

    // Back to normal: OK runs the closing sequence again.
    EXPECT_EQ(ExitCodeOf([&] { dialog.CommandOK_Click(); }), exitcode::kClean);
    EXPECT_EQ(updates, 1);
}

TEST_F(DialogTest, InQuestModeOkAndCancelOnlyShowTheirHelpTexts) {
    t.run.HelpTexts[1] = "Uebernimmt<CRLF>die Werte";
    t.run.HelpTexts[2] = "Bricht ab";
    dialog.CommandQuest_Click();
    t.ui.Answer(box::kOk);
    t.ui.Answer(box::kOk);
    EXPECT_EQ(ExitCodeOf([&] { dialog.CommandOK_Click(); }), std::nullopt);
    EXPECT_EQ(ExitCodeOf([&] { dialog.CommandCancel_Click(); }), std::nullopt);

    ASSERT_EQ(t.ui.boxes.size(), 2u);
    EXPECT_EQ(t.ui.boxes[0].text, "Uebernimmt\r\ndie Werte");
    EXPECT_EQ(t.ui.boxes[1].text, "Bricht ab");
    EXPECT_EQ(t.ui.boxes[1].title, "Info:");
    EXPECT_EQ(updates, 0);
    EXPECT_TRUE(form["CommandOK"].Enabled());
}

TEST_F(DialogTest, CloseRequestAnsweredNoKeepsTheDialog) {
    t.ui.Answer(box::kNo);
    EXPECT_EQ(ExitCodeOf([&] { dialog.CloseRequested(); }), std::nullopt);
    ASSERT_EQ(t.ui.boxes.size(), 1u);
    EXPECT_EQ(t.ui.boxes[0].style, box::kYesNoWarnNo);
    EXPECT_FALSE(t.Exists(kErrorLog));

    int16_t cancel = 0;
    t.ui.Answer(box::kNo);
    dialog.Form_QueryUnload(cancel, 0);
    EXPECT_EQ(cancel, -1);
}

TEST_F(DialogTest, ConfirmedCloseOrCancelEndsWithoutWritingAnything) {
    for (auto handler :
         {&frm_Calvora_Config_Exe::CloseRequested, &frm_Calvora_Config_Exe::CommandCancel_Click}) {
        t.ui.Answer(box::kYes);
        EXPECT_EQ(ExitCodeOf([&] { (dialog.*handler)(); }), exitcode::kCancelled);
    }
    EXPECT_EQ(updates, 0);
    EXPECT_EQ(t.Read(kCfg), kCfgText);
}

TEST_F(DialogTest, CancelClickedWhileTheUpdateWaitsEndsBeforeTheUpdate) {
    t.ui.onDoEvents = [&] { dialog.CommandCancel_Click(); };
    t.ui.Answer(box::kYes);
    EXPECT_EQ(Load(), exitcode::kCancelled);
    EXPECT_EQ(updates, 0);
    EXPECT_EQ(t.Read(kCfg), kCfgText);
    EXPECT_EQ(t.Read(kErrorLog), "Konfigurations-EXE wurde abgebrochen:     Calvora\r\n");
}

TEST_F(DialogTest, CancelDeclinedWhileTheUpdateWaitsLetsTheRunComplete) {
    t.ui.onDoEvents = [&] { dialog.CommandCancel_Click(); };
    t.ui.Answer(box::kNo);
    EXPECT_EQ(Load(), exitcode::kClean);
    EXPECT_EQ(updates, 1);
    EXPECT_EQ(SProg(), "1.0.1 - Standalone");
}

TEST_F(DialogTest, FailedUpdateLetPassStillWritesTheEditInformation) {
    updateFails = true;
    t.ui.Answer(box::kYes);
    EXPECT_EQ(Load(), exitcode::kAfterFailures);
    ASSERT_EQ(t.ui.boxes.size(), 1u);
    EXPECT_EQ(t.ui.boxes[0].title, "Unexpected error");
    EXPECT_EQ(t.Read(kErrorLog),
              "Fehler in Calvora / DAO.Database / CloseMe (Nr. 3024) :Could not find file "
              "'Calvora.mdb'\r\n");
    EXPECT_EQ(SProg(), "1.0.1 - Standalone");
    EXPECT_EQ(t.ui.busyChanges, (std::vector<bool>{true, false}));
}

TEST_F(DialogTest, FailedUpdateAnsweredNoEndsAtOnce) {
    updateFails = true;
    t.ui.Answer(box::kNo);
    EXPECT_EQ(Load(), exitcode::kEndedByError);
    EXPECT_EQ(t.Read(kCfg), kCfgText);
}

TEST_F(DialogTest, FailedStartUpStepSkipsOnlyThatStep) {
    form.failCaption = true;
    t.ui.Answer(box::kYes);
    EXPECT_EQ(Load(), exitcode::kAfterFailures);
    EXPECT_EQ(form.Caption(), "frm_Calvora_Config_Exe");
    EXPECT_NE(t.Read(kErrorLog).find(" / Form_Load (Nr. 5) :caption refused"), std::string::npos);
    EXPECT_TRUE(form["CommandOK"].Enabled());
    EXPECT_EQ(updates, 1);
    EXPECT_EQ(SProg(), "1.0.1 - Standalone");
}

TEST_F(DialogTest, FailureInTheCancelQuestionRefusesTheCloseButEndsTheCancelClick) {
    // The program folder's parent is missing: the cancel cannot be logged.
    t.process.programFile = "C:\\Missing\\Config\\Calvora_Config";
    int16_t cancel = 0;
    t.ui.Answer(box::kYes);  // confirm
    t.ui.Answer(box::kYes);  // go on after the failure
    dialog.Form_QueryUnload(cancel, 0);
    EXPECT_EQ(cancel, -1);
    EXPECT_EQ(t.ui.boxes.back().title, "Unexpected error");

    t.ui.Answer(box::kYes);
    t.ui.Answer(box::kYes);
    EXPECT_EQ(ExitCodeOf([&] { dialog.CommandCancel_Click(); }), exitcode::kCancelled);
    EXPECT_NE(t.ui.boxes.back().text.find("Resume?"), std::string::npos);
}

// Input delivered while the update runs is dropped: a click on OK would
// start a second update inside the first, a confirmed Cancel or close would
// end the program with half of the update stored. No box asks anything.
TEST_F(DialogTest, InputDuringTheUpdateIsDropped) {
    using Handler = void (frm_Calvora_Config_Exe::*)();
    for (Handler handler :
         {&frm_Calvora_Config_Exe::CommandOK_Click, &frm_Calvora_Config_Exe::CommandCancel_Click,
          &frm_Calvora_Config_Exe::CommandQuest_Click, &frm_Calvora_Config_Exe::CloseRequested,
          &frm_Calvora_Config_Exe::CloseMe}) {
        TestRun run;
        run.Write(kCfg, kCfgText);
        TestForm f;
        AddDialogControls(f);
        frm_Calvora_Config_Exe d(run.run, f, &Update);
        updates = 0;
        run.ui.onDoEvents = [&] {
            if (updates > 0)
                (d.*handler)();
        };
        EXPECT_EQ(ExitCodeOf([&] { d.Form_Load(); }), exitcode::kClean);
        EXPECT_EQ(updates, 1);
        EXPECT_TRUE(run.ui.boxes.empty());
        EXPECT_FALSE(run.run.QuestMode);
        EXPECT_EQ(LoadIniString(run.run, "Info", "S_Prog", kCfg, false), "1.0.1 - Standalone");
    }
}

}  // namespace
}  // namespace calvora::test
