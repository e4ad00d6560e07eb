#include "errors/error_protocol.h"

#include "errors/logs.h"
#include "platform/text.h"

namespace calvora {

namespace {
const std::string kBreak = kMessageBreak;
}

void EndProgram(int exitCode) {
    throw EndOfProgram{exitCode};
}

int CompletedExitCode(const RunState& run) {
    return run.FailuresReported > 0 ? exitcode::kAfterFailures : exitcode::kClean;
}

int16_t ErrorSub(RunState& run, int32_t number, const std::string& source,
                 const std::string& description, const std::string& procName, bool fatal) {
    ++run.FailuresReported;
    run.Account.NoteFailure({number, procName, description});

    std::string unit;
    if (run.UnitName && !run.ResolvingUnitName) {
        run.ResolvingUnitName = true;
        try {
            unit = run.UnitName();
        } catch (...) {
            run.ResolvingUnitName = false;
            throw;
        }
        run.ResolvingUnitName = false;
    }

    std::string logText = "Fehler in " + unit + " / " + source + " / " + procName + " (Nr. " +
                          std::to_string(number) + ") :" + description;
    std::string notice;
    try {
        notice = WriteErrorLog(run, logText);
    } catch (const Failure& f) {
        // The report must still reach the user; the notice says where the
        // entry should have gone and why it is not there.
        notice = "Error could not be logged to " + kBreak + UCase(ErrorLogPath(run)) + kBreak +
                 f.Description();
    }
    std::string message = "Unexpected error!" + kBreak + description + kBreak + notice;

    if (run.SilentMode) {
        try {
            WriteServiceLog(run, message);
        } catch (const Failure&) {
            // Nobody is watching and both logs are unwritable: there is no
            // one left to tell, and an unattended run must not stop for it.
        }
        return 2;
    }
    if (!fatal) {
        int answer =
            run.ui().MsgBox(message + kBreak + "Resume?", box::kYesNoStop, "Unexpected error");
        return answer == box::kYes ? 2 : 1;
    }
    run.ui().MsgBox(message, box::kOkStop, "Fatal error");
    return 1;
}

void Proc::Handle(const Failure& f, bool fatal) {
    if (ErrorSub(run_, f.Number(), f.Source(), f.Description(), name_, fatal) == 1) {
        EndProgram(exitcode::kEndedByError);
    }
}

Failure Proc::Internal(const std::exception& e) {
    return Failure(err::kInternal, kRuntimeSource, std::string("Internal error: ") + e.what());
}

}  // namespace calvora
