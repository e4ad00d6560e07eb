#include "app/cancel.h"

#include <string>

#include "app/program_folder.h"
#include "errors/logs.h"
#include "settings/file_locations.h"

namespace calvora {

namespace {
// Line breaks of the program's own messages are LF then CR.
constexpr const char* kBreak = "\n\r";
}  // namespace

bool ConfirmCancel(RunState& run) {
    std::string text = std::string("Cancel edits?") + kBreak + "Remark:" + kBreak +
                       "Until now no changes have been taken over ";
    if (run.IntegratedMode) {
        Process& process = run.process();
        text.append(kBreak).append("\"").append(GetOCXName(run)).append("\"");
        text.append(" has to be configured again in \"standalone-mode\" via ").append(kBreak);
        text.append("\"")
            .append(InProgramFolder(process, ProgramName(process) + ".exe"))
            .append("\"");
    }
    if (run.SilentMode) {
        WriteServiceLog(run, text);
        return true;
    }
    if (run.ui().MsgBox(text, box::kYesNoWarnNo, "Cancel?") != box::kYes)
        return false;
    WriteErrorLog(run, "Konfigurations-EXE wurde abgebrochen:     " + GetOCXName(run));
    return true;
}

}  // namespace calvora
