// Starts the program: wires the host services into the run, starts Qt and
// loads the dialog, whose loading runs the whole course and ends the program
// by throwing EndOfProgram; its exit code becomes the process's.
#include <QApplication>
#include <QGuiApplication>
#include <QString>
#include <cstdlib>
#include <iostream>

#include "app/qt/dialog_window.h"
#include "app/qt/qt_ui.h"
#include "errors/error_protocol.h"
#include "errors/logs.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "settings/command_line.h"
#include "settings/wiring.h"

namespace {

using namespace calvora;

// The start mode is peeked at before any window can exist, without
// reporting; Form_Load reads it again with its normal reporting.
class PeekUi : public Ui {
  public:
    int MsgBox(std::string_view, int, std::string_view) override { return box::kYes; }
    void DoEvents() override {}
    void SetBusy(bool) override {}
};

bool IsSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

constexpr const char* kNoDisplay =
    "Calvora_Config: no display for its dialog; start it with /EXTERNAL=SILENT to run without one.";

// A silent run must not need a display: without one, and when no platform
// was chosen, Qt draws off screen. Any other start without a display could
// not show its questions; false then, after an integrated start's reason has
// gone to its LOGFILE error log, where the calling tool looks.
bool ChooseHeadlessPlatform(Process& process, Files& files) {
    if (IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY") || IsSet("QT_QPA_PLATFORM"))
        return true;
    PeekUi peekUi;
    RunState peek(Services{peekUi, process, files});
    const std::string mode = ReadCommandQuietly(peek, process.CommandLine(), "EXTERNAL");
    if (mode == "SILENT") {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        return true;
    }
    if (mode == "TRXCFG") {
        peek.IntegratedMode = true;
        WireSettings(peek);
        try {
            WriteErrorLog(peek, kNoDisplay);
        } catch (const Failure&) {
            // The message on the standard error output is left.
        }
    }
    return false;
}

// Off screen nobody sees a box, and until the start mode is known even a
// silent start shows its failures in boxes: they go to the service log.
bool WithoutDisplay() {
    const QString platform = QGuiApplication::platformName();
    return platform == "offscreen" || platform == "minimal";
}

}  // namespace

int main(int argc, char** argv, char** envp) {
    PathModel paths = PathModel::FromEnvironment();
    HostFiles files(paths);
    HostProcess process(argc, argv, envp, paths);
    if (!ChooseHeadlessPlatform(process, files)) {
        std::cerr << kNoDisplay << "\n";
        return exitcode::kEndedByError;
    }

    QApplication application(argc, argv);
    QtUi ui;
    RunState run(Services{ui, process, files});
    WireSettings(run);
    if (WithoutDisplay())
        ui.AnswerUnattended([&run](const std::string& text) { WriteServiceLog(run, text); });
    DialogWindow window(run, ui);
    try {
        window.Load();
    } catch (const EndOfProgram& end) {
        return end.exitCode;
    }
    // Loading always ends in CloseMe, which ends the program.
    return exitcode::kClean;
}
