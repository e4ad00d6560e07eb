// Starts the program: opens the window system the start calls for
// (window_system.h), wires the host services into the run and loads the
// dialog, whose loading runs the whole course and ends the program by
// throwing EndOfProgram; its exit code becomes the process's, after the
// run's report is written.
//
// --help and --version, as the first and only argument, print and end the
// program before anything runs; no caller of the program passes them, and
// every other command line keeps the /KEYWORD=value grammar.
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string_view>

#include "app/headless_window_system.h"
#include "app/window_module.h"
#include "errors/error_protocol.h"
#include "errors/logs.h"
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

constexpr const char* kNoDisplay =
    "Calvora_Config: no display for its dialog; start it with /EXTERNAL=SILENT to run without one.";

// Where the dialog runs. A silent start that nobody could watch (no
// display, or Qt told to draw off screen) runs without any window system;
// every other start loads Qt's, and without a display it could not show its
// questions.
enum class Start { kHeadless, kWindow, kNoDisplay };

std::string_view ChosenPlatform() {
    const char* chosen = std::getenv("QT_QPA_PLATFORM");
    const std::string_view platform = chosen == nullptr ? "" : chosen;
    // Options may follow the name: "offscreen:fontengine=freetype".
    return platform.substr(0, platform.find(':'));
}

// The start mode (the EXTERNAL value), read without reporting.
std::string PeekStartMode(Process& process, Files& files) {
    PeekUi peekUi;
    RunState peek(Services{peekUi, process, files});
    return ReadCommandQuietly(peek, process.CommandLine(), "EXTERNAL");
}

Start ChooseStart(Process& process, Files& files) {
    const std::string_view platform = ChosenPlatform();
    const bool display = IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY") || !platform.empty();
    if (display && platform != "offscreen" && platform != "minimal")
        return Start::kWindow;
    if (PeekStartMode(process, files) == "SILENT")
        return Start::kHeadless;
    return display ? Start::kWindow : Start::kNoDisplay;
}

// Why the program ends before its run: on the standard error output, and
// for an integrated start also in its LOGFILE error log, where the calling
// tool looks.
void ReportStartFailure(Process& process, Files& files, const std::string& why) {
    std::cerr << why << "\n";
    if (PeekStartMode(process, files) != "TRXCFG")
        return;
    PeekUi peekUi;
    RunState peek(Services{peekUi, process, files});
    peek.IntegratedMode = true;
    WireSettings(peek);
    try {
        WriteErrorLog(peek, why);
    } catch (const Failure&) {
        // The message on the standard error output is left.
    }
}

// The window system the start calls for, or null (the reason reported).
std::unique_ptr<WindowSystem> OpenWindowSystem(int& argc, char** argv, Process& process,
                                               Files& files) {
    switch (ChooseStart(process, files)) {
        case Start::kHeadless:
            return std::make_unique<HeadlessWindowSystem>();
        case Start::kWindow: {
            std::string why;
            std::unique_ptr<WindowSystem> windows = LoadWindowModule(argc, argv, why);
            if (!windows)
                ReportStartFailure(process, files,
                                   std::string("Calvora_Config: cannot load its window: ") + why);
            return windows;
        }
        case Start::kNoDisplay:
            ReportStartFailure(process, files, kNoDisplay);
            return nullptr;
    }
    return nullptr;
}

constexpr const char* kHelp =
    "usage: Calvora_Config [/EXTERNAL=SILENT | /EXTERNAL=TRXCFG /LOGFILE=<path>]\n"
    "       Calvora_Config --help | --version\n"
    "\n"
    "Builds the unit database Calvora.mdb of the project from its template tables\n"
    "Calvora_Source.mdb and the project's INI files. The project folder is the parent of\n"
    "the program's folder.\n"
    "  (no argument)           the dialog shows while the run works; failures ask\n"
    "                          whether to go on\n"
    "  /EXTERNAL=SILENT        no message boxes, messages go to the service log; needs no\n"
    "                          display\n"
    "  /EXTERNAL=TRXCFG /LOGFILE=<path>\n"
    "                          as the project's configuration tool starts it\n"
    "  --help, --version       print this text or the version and end, changing nothing\n"
    "Exit codes: 0 completed, 1 completed after failures let pass, 2 ended by an error,\n"
    "3 cancelled.\n";

// True (the text printed) when the command line is exactly --help or
// --version.
bool AnsweredInformationRequest(int argc, char** argv, Process& process) {
    if (argc != 2)
        return false;
    const std::string_view word = argv[1];
    if (word == "--help") {
        std::cout << kHelp;
        return true;
    }
    if (word == "--version") {
        const Version v = process.ProgramVersion();
        std::cout << "Calvora_Config " << v.major << "." << v.minor << "." << v.revision << "\n";
        return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv, char** envp) {
    PathModel paths = PathModel::FromEnvironment();
    // The run goes on without the entries left out; the user learns why a
    // drive is not where it was meant to be.
    for (const std::string& ignored : paths.IgnoredDriveEntries())
        std::cerr << "Calvora_Config: " << ignored << "\n";
    HostFiles files(paths);
    HostProcess process(argc, argv, envp, paths);
    if (AnsweredInformationRequest(argc, argv, process))
        return exitcode::kClean;
    std::unique_ptr<WindowSystem> windows = OpenWindowSystem(argc, argv, process, files);
    if (!windows)
        return exitcode::kEndedByError;
    RunState run(Services{windows->ui(), process, files});
    WireSettings(run);
    // Until the start mode is known even a silent start shows its failures
    // in boxes; where nobody sees one, they go to the service log.
    if (windows->WithoutDisplay())
        windows->AnswerUnattended([&run](const std::string& text) { WriteServiceLog(run, text); });
    // Loading always ends in CloseMe, which ends the program.
    int exitCode = exitcode::kClean;
    try {
        windows->LoadDialog(run);
    } catch (const EndOfProgram& end) {
        exitCode = end.exitCode;
    }
    // Every run, in every mode, ends with its account: the report beside
    // the backup and one line naming it.
    std::cout << FinishRunReport(run, exitCode) << std::endl;
#if defined(__SANITIZE_ADDRESS__)
    // The leak check runs when the program ends the ordinary way.
    return exitCode;
#else
    // The process ends without taking apart what it built. Everything the run
    // writes is closed by now: its databases when the course ended, the
    // report just above. Taking apart the window toolkit would first load the
    // whole font configuration only to release it (a silent run never needed
    // a font), and freeing the tens of megabytes of a large run one object at
    // a time costs more than the system's reclaiming them at once.
    std::_Exit(exitCode);
#endif
}
