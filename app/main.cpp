// Starts the program: wires the host services into the run, starts Qt and
// loads the dialog, whose loading runs the whole course and ends the program
// by throwing EndOfProgram; its exit code becomes the process's, after the
// run's report is written.
#include <QApplication>
#include <cstdlib>
#include <iostream>

#include "app/qt/dialog_window.h"
#include "app/qt/qt_ui.h"
#include "errors/error_protocol.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "presetdb/run_history.h"
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

// A silent run must not need a display: without one, and when no platform
// was chosen, Qt draws off screen. Any other start without a display could
// not show its questions; false then.
bool ChooseHeadlessPlatform(Process& process, Files& files) {
    if (IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY") || IsSet("QT_QPA_PLATFORM"))
        return true;
    PeekUi peekUi;
    RunState peek(Services{peekUi, process, files});
    if (ReadCommandQuietly(peek, process.CommandLine(), "EXTERNAL") != "SILENT")
        return false;
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    return true;
}

}  // namespace

int main(int argc, char** argv, char** envp) {
    PathModel paths = PathModel::FromEnvironment();
    HostFiles files(paths);
    HostProcess process(argc, argv, envp, paths);
    if (!ChooseHeadlessPlatform(process, files)) {
        std::cerr << "Calvora_Config: no display for its dialog; start it with /EXTERNAL=SILENT "
                     "to run without one.\n";
        return exitcode::kEndedByError;
    }

    QApplication application(argc, argv);
    QtUi ui;
    RunState run(Services{ui, process, files});
    WireSettings(run);
    DialogWindow window(run, ui);
    // Loading always ends in CloseMe, which ends the program.
    int exitCode = exitcode::kClean;
    try {
        window.Load();
    } catch (const EndOfProgram& end) {
        exitCode = end.exitCode;
    }
    // Every run, in every mode, ends with its account: the report beside
    // the backup and one line naming it.
    std::cout << FinishRunReport(run, exitCode) << std::endl;
    return exitCode;
}
