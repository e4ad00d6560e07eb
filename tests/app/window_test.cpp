// Window tests on a real X server: the program's boxes and its dialog are
// answered with the keyboard and the mouse through xdotool, as a user would.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <QApplication>
#include <QPushButton>
#include <QWindow>
#include <atomic>
#include <cstdlib>
#include <thread>

#include "app/qt/dialog_window.h"
#include "tests/app/qt_application.h"
#include "tests/app/x_display.h"
#include "tests/support/project_folder.h"
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
