// Window tests on a real X server: the program's boxes and its dialog are
// answered with the keyboard and the mouse through xdotool, as a user would.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <QApplication>
#include <QPushButton>
#include <QWindow>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <thread>

#include "app/qt/dialog_window.h"
#include "tests/app/qt_application.h"
#include "tests/app/x_display.h"
#include "tests/e2e/run_checks.h"
#include "tests/presetdb/preset_project.h"
#include "tests/support/project_folder.h"
#include "tests/support/sqlite_file.h"
#include "tests/support/test_run.h"

namespace calvora::test {
namespace {

// The display of this test program, started once; nullptr without Xvfb.
XDisplay* Display() {
    static std::unique_ptr<XDisplay> display =
        OnPath("Xvfb") && OnPath("xdotool") ? XDisplay::Start() : nullptr;
    return display.get();
}

#define REQUIRE_X_DISPLAY()                                                              \
    if (Display() == nullptr) {                                                          \
        GTEST_SKIP() << "window test skipped: needs Xvfb and xdotool on PATH (packages " \
                        "xvfb, xdotool)";                                                \
    }

// Waits up to 20 s for a visible window whose name matches the pattern,
// focuses it and types keys on the keyboard. True when the window was found.
bool TypeInto(const std::string& namePattern, const std::string& keys) {
    return RunOnDisplay(*Display(), "timeout 20 xdotool search --sync --onlyvisible --name '" +
                                        namePattern + "' windowfocus --sync >/dev/null 2>&1" +
                                        " && xdotool key " + keys) == 0;
}

TEST(RealProgramWindowTest, BoxesAreAnsweredWithTheKeyboardAndAMissingConfigurationEndsTheRun) {
    REQUIRE_X_DISPLAY();
    ASSERT_FALSE(ProjectFolder::BuiltProgram().empty()) << "Calvora_Config is not built";
    ProjectFolder project;  // no Calvora.cfg
    std::vector<std::string> environment{"DISPLAY=" + Display()->Name(), "QT_QPA_PLATFORM=xcb"};
    const pid_t run = project.Start({}, environment);
    ASSERT_GT(run, 0);
    // The dialog shows itself for the update, with the caption of a start by hand.
    EXPECT_TRUE(TypeInto("^Erweiterte Konfiguration Config - standalone$", "shift"));
    // Whatever the update reports is let pass with Enter (Yes is the default
    // of "Unexpected error"); the missing configuration file is reported in a
    // box titled with the program name, and OK ends the run.
    int status = 0;
    bool ended = false;
    auto waitForEnd = [&] {
        for (int i = 0; i < 50 && !ended; ++i) {
            ended = waitpid(run, &status, WNOHANG) == run;
            if (!ended)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    };
    for (int box = 0; box < 10 && !ended; ++box) {
        const bool answered = TypeInto("^(Unexpected error|Calvora_Config)$", "Return");
        waitForEnd();
        if (!answered)
            break;
    }
    if (!ended) {
        kill(run, SIGKILL);
        waitpid(run, &status, 0);
    }
    ASSERT_TRUE(ended) << "the program did not end";
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), exitcode::kEndedByError);
    EXPECT_FALSE(project.Exists("C:\\Project\\Calvora\\Calvora.cfg"));
}

// Waits up to seconds for the program to end; its status, or nullopt.
std::optional<int> WaitForEnd(pid_t run, int seconds) {
    int status = 0;
    for (int i = 0;; ++i) {
        if (waitpid(run, &status, WNOHANG) == run)
            return status;
        if (i >= seconds * 50)
            return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

// A project at the 16-bit limit: three machines times 10,922 definitions
// give 32,766 records, each with tuned values in the unit database. The unit
// database also holds 400,000 records of a machine the project no longer
// has, which the takeover reads and passes over: they keep the update busy
// long enough to be clicked at, however fast the machine.
void WriteLimitProject(const ProjectFolder& folder) {
    const std::string numbers =
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 10922) ";
    folder.CreateDatabase(
        kSourceDb, std::string("CREATE TABLE Source_DEFS (System TEXT(20), Part SHORT, Var_Name "
                               "TEXT(100));"
                               "INSERT INTO Source_DEFS VALUES ('VISIWIN32', 1, '###Var_Name');"
                               "CREATE TABLE Source_PRESET_DEFS (") +
                       kPresetColumns + ");" + numbers +
                       "INSERT INTO Source_PRESET_DEFS SELECT i, 1, '###machine', 2, 'v' || i, 1, "
                       "0, i, 'Zone ###machine', 'Seite', 0, 100, 0, 100, 1 FROM n");
    folder.CreateDatabase(kUnitDb, std::string("CREATE TABLE PRESET_DEFS (") + kPresetColumns +
                                       ");" + numbers +
                                       "INSERT INTO PRESET_DEFS SELECT i, 1, 'M' || (i % 3 + 1), "
                                       "2, 'v' || i, 1, 0, i, 'alt', 'alt', i, i + 1, i + 2, "
                                       "i + 3, 7 FROM n;"
                                       "WITH RECURSIVE m(i) AS (SELECT 1 UNION ALL SELECT i + "
                                       "1 FROM m WHERE i < 400000) INSERT INTO PRESET_DEFS "
                                       "SELECT i, 1, 'Gone', 2, 'w' || i, 1, 0, i, 'alt', "
                                       "'alt', 0, 1, 0, 1, 7 FROM m");
    folder.Write(kProgramIni,
                 "[Project]\r\nNumberOfMachines=3\r\n[Machine1]\r\nMachineName=M1\r\n"
                 "[Machine2]\r\nMachineName=M2\r\n[Machine3]\r\nMachineName=M3\r\n");
    folder.Write(kCfg, "[Project]\r\nForMachine1=TRUE\r\nForMachine2=TRUE\r\nForMachine3=TRUE\r\n");
}

// Clicked again and again while the update runs, OK, Cancel, "?" and the
// close box do nothing: no question, no help text, no second update. The run
// completes once and publishes what a silent run publishes.
TEST(RealProgramWindowTest, ClicksDuringTheUpdateAreDropped) {
    REQUIRE_X_DISPLAY();
    ASSERT_FALSE(ProjectFolder::BuiltProgram().empty()) << "Calvora_Config is not built";
    ProjectFolder silent;
    WriteLimitProject(silent);
    ASSERT_EQ(silent.Run({"/EXTERNAL=SILENT"}, {"QT_QPA_PLATFORM=offscreen"}, 300),
              exitcode::kClean);

    ProjectFolder clicked;
    WriteLimitProject(clicked);
    const pid_t run = clicked.Start({}, {"DISPLAY=" + Display()->Name(), "QT_QPA_PLATFORM=xcb"});
    ASSERT_GT(run, 0);
    // Waited for by time, not by a number of looks: on a loaded machine the
    // program may take long to show its window.
    std::vector<unsigned long> dialog;
    std::optional<int> status;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (dialog.empty() && !status && std::chrono::steady_clock::now() < deadline) {
        dialog = VisibleWindows(*Display(), "^Erweiterte Konfiguration Config - standalone$");
        if (dialog.empty())
            status = WaitForEnd(run, 0);
    }
    if (dialog.empty() && !status) {
        kill(run, SIGKILL);
        waitpid(run, nullptr, 0);
    }
    ASSERT_EQ(dialog.size(), 1u) << (status ? "the run ended before its dialog was seen"
                                            : "the dialog did not show");
    const std::string window = std::to_string(dialog[0]);
    // One round clicks "?", OK and Cancel (their centres in pixels) and asks
    // the window to close; rounds are counted only while the program runs.
    const std::string clicks = "xdotool mousemove --window " + window + " 522 542 click 1" +
                               " mousemove --window " + window + " 616 542 click 1" +
                               " mousemove --window " + window + " 734 542 click 1 2>/dev/null";
    int rounds = 0;
    std::vector<unsigned long> others;
    status = WaitForEnd(run, 0);
    while (!status && others.empty() && rounds < 5000) {
        RunOnDisplay(*Display(), clicks);
        RequestClose(*Display(), dialog[0]);
        ++rounds;
        for (unsigned long w : VisibleWindows(*Display(), "."))
            if (w != dialog[0])
                others.push_back(w);
        status = WaitForEnd(run, 0);
    }
    if (!status) {
        kill(run, SIGKILL);
        waitpid(run, nullptr, 0);
    }
    ASSERT_TRUE(others.empty()) << "a second window appeared during the update";
    ASSERT_TRUE(status) << "the program did not end";
    EXPECT_GT(rounds, 0) << "the run ended before any click";
    ASSERT_TRUE(WIFEXITED(*status));
    EXPECT_EQ(WEXITSTATUS(*status), exitcode::kClean);
    EXPECT_TRUE(Records(clicked, kUnitDb, "PRESET_DEFS") ==
                Records(silent, kUnitDb, "PRESET_DEFS"));
    EXPECT_EQ(Records(clicked, kUnitDb, "PRESET_DEFS").size(), 32766u);
}

// The error dialog has exactly the answers Yes and No: Esc leaves it open.
TEST(RealProgramWindowTest, EscLeavesTheErrorDialogOpen) {
    REQUIRE_X_DISPLAY();
    ASSERT_FALSE(ProjectFolder::BuiltProgram().empty()) << "Calvora_Config is not built";
    ProjectFolder project;
    project.Write(kCfg, "[Project]\r\n");
    project.Write(kSourceDb, "not a database");  // each open of it fails
    const pid_t run = project.Start({}, {"DISPLAY=" + Display()->Name(), "QT_QPA_PLATFORM=xcb"});
    ASSERT_GT(run, 0);
    EXPECT_TRUE(TypeInto("^Unexpected error$", "Escape"));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_EQ(VisibleWindows(*Display(), "^Unexpected error$").size(), 1u);
    EXPECT_FALSE(WaitForEnd(run, 0));
    // Yes, a button, still answers: the run goes on to its next box.
    EXPECT_TRUE(TypeInto("^Unexpected error$", "Return"));
    kill(run, SIGKILL);
    waitpid(run, nullptr, 0);
}

// The dialog in this process, on the X server, with the Qt services.
class DialogOnScreenTest : public ::testing::Test {
  protected:
    void SetUp() override {
        REQUIRE_X_DISPLAY();
        setenv("DISPLAY", Display()->Name().c_str(), 1);
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        Application();
        run = std::make_unique<RunState>(Services{qtUi, t.process, t.files});
        run->UnitName = t.run.UnitName;
        window = std::make_unique<DialogWindow>(*run, qtUi);
        window->SetCaption("Calvora window test");
        window->Show();
        for (int i = 0; i < 200 && !window->windowHandle()->isExposed(); ++i) {
            qtUi.DoEvents();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ASSERT_TRUE(window->windowHandle()->isExposed());
    }

    // Clicks the Cancel button with the mouse while another thread answers
    // the question with keys; lets the events run until it was answered.
    // Returns whether the question appeared.
    bool ClickCancelAndAnswer(const std::string& keys) {
        std::atomic<bool> answered = false;
        bool found = false;
        std::thread user([&] {
            found = TypeInto("^Cancel\\?$", keys);
            answered = true;
        });
        const QPoint centre = window->commandCancel()->geometry().center();
        RunOnDisplay(*Display(), "xdotool mousemove --window " + std::to_string(window->winId()) +
                                     " " + std::to_string(centre.x()) + " " +
                                     std::to_string(centre.y()) + " click 1");
        try {
            while (!answered) {
                qtUi.DoEvents();
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            for (int i = 0; i < 20; ++i) {
                qtUi.DoEvents();
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        } catch (...) {
            user.join();
            throw;
        }
        user.join();
        return found;
    }

    TestRun t;
    QtUi qtUi;
    std::unique_ptr<RunState> run;
    std::unique_ptr<DialogWindow> window;
};

TEST_F(DialogOnScreenTest, EnterOnTheCancelQuestionKeepsTheDialog) {
    EXPECT_TRUE(ClickCancelAndAnswer("Return"));
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(t.Exists("C:\\Project\\TRXcfglog.txt"));
}

TEST_F(DialogOnScreenTest, YesOnTheCancelQuestionEndsTheProgram) {
    try {
        ClickCancelAndAnswer("y");
        FAIL() << "the confirmed cancel did not end the program";
    } catch (const EndOfProgram& end) {
        EXPECT_EQ(end.exitCode, exitcode::kCancelled);
    }
    EXPECT_EQ(t.Read("C:\\Project\\TRXcfglog.txt"),
              "Konfigurations-EXE wurde abgebrochen:     Calvora\r\n");
}

}  // namespace
}  // namespace calvora::test
