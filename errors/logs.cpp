#include "errors/logs.h"

#include "platform/text.h"

namespace calvora {

std::string ErrorLogPath(RunState& run) {
    if (run.IntegratedMode)
        return run.LogFileSwitch ? run.LogFileSwitch() : std::string();
    // The parent of the program folder: everything from its last '\' on removed.
    std::string folder = ProgramFolder(run.process());
    size_t slash = folder.rfind('\\');
    return (slash == std::string::npos ? folder : folder.substr(0, slash)) + "\\TRXcfglog.txt";
}

std::string WriteErrorLog(RunState& run, const std::string& text) {
    std::string path = ErrorLogPath(run);
    run.files().AppendLine(path, text);
    return "Error logged to \n\r" + UCase(path);
}

void WriteServiceLog(RunState& run, const std::string& text) {
    run.files().AppendLine(kServiceLogPath, "! Fault " + ProgramName(run.process()) + ": " + text);
}

void ReportFault(RunState& run, const std::string& text) {
    if (run.SilentMode) {
        WriteServiceLog(run, text);
    } else {
        run.ui().MsgBox(text, box::kOkStop, ProgramName(run.process()));
    }
}

}  // namespace calvora
