#include "app/cancel.h"

#include <string>

#include "app/program_folder.h"
#include "errors/logs.h"
#include "platform/text.h"
#include "settings/file_locations.h"

namespace calvora {

namespace {
// Line breaks of the program's own messages are LF then CR.
}  // namespace

bool ConfirmCancel(RunState& run) {
    std::string text = std::string("Cancel edits?") + kMessageBreak + "Remark:" + kMessageBreak +
                       "Until now no changes have been taken over ";
    if (run.IntegratedMode) {
        Process& process = run.process();
        text.append(kMessageBreak).append("\"").append(GetOCXName(run)).append("\"");
        text.append(" has to be configured again in \"standalone-mode\" via ")
            .append(kMessageBreak);
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
