#include "settings/file_locations.h"

#include "errors/error_protocol.h"
#include "errors/logs.h"
#include "platform/failure.h"
#include "platform/text.h"
#include "settings/ini_access.h"

namespace calvora {

namespace {

// The program file is named after the unit with this suffix ("_Config").
constexpr int64_t kProgramSuffixLength = 7;

// S + rest, with exactly one "\" between them whether or not S ends in one.
// An empty S gives "\" + rest: a path from the root of the current drive.
std::string BelowSaveAndRestore(const std::string& saveAndRestore, const std::string& rest) {
    return saveAndRestore.ends_with('\\') ? saveAndRestore + rest : saveAndRestore + "\\" + rest;
}

std::string SaveAndRestoreFolder(RunState& run, const std::string& trxConfigurationIniPath) {
    return LoadIniString(run, "Common", "SaveAndRestore", trxConfigurationIniPath, false);
}

// P\U\U + suffix.
std::string UnitFile(RunState& run, const std::string& suffix) {
    std::string unit = GetOCXName(run);
    return GetProjectFolder(run) + "\\" + unit + "\\" + unit + suffix;
}

// The path when the file exists, else "". A failure of the check itself goes
// to the error protocol; when the run goes on, the path counts as found.
std::string IfExists(Proc& proc, const std::string& path) {
    if (proc.Test([&] { return !path.empty() && proc.Run().files().Exists(path); })) {
        return path;
    }
    return "";
}

}  // namespace

std::string GetOCXName(RunState& run) {
    Proc proc(run, "GetOCXName");
    std::string result;
    proc.Step([&] {
        std::string name = ProgramName(run.process());
        if (Len(name) < kProgramSuffixLength) {
            RaiseRuntime(err::kInvalidArgument,
                         "Invalid procedure call or argument: the program name '" + name +
                             "' is shorter than 7 characters, so it names no unit");
        }
        result = Left(name, Len(name) - kProgramSuffixLength);
    });
    return result;
}

std::string GetProjectFolder(RunState& run) {
    Proc proc(run, "GetProjectFolder");
    std::string result;
    proc.Step([&] {
        std::string folder = ProgramFolder(run.process());
        size_t lastSeparator = folder.rfind('\\');
        // A folder without any "\" has no parent: nothing is left of it.
        result = lastSeparator == std::string::npos ? "" : folder.substr(0, lastSeparator);
    });
    return result;
}

std::string GetPathOCXMDB(RunState& run) {
    Proc proc(run, "GetPathOCXMDB");
    std::string result;
    proc.Step([&] { result = UnitFile(run, ".mdb"); });
    return result;
}

std::string GetPathSourceOCXMDB(RunState& run) {
    Proc proc(run, "GetPathSourceOCXMDB");
    std::string path;
    proc.Step([&] { path = UnitFile(run, "_Source.mdb"); });
    return IfExists(proc, path);
}

std::string GetCFGPath(RunState& run) {
    Proc proc(run, "GetCFGPath");
    std::string path;
    proc.Step([&] { path = UnitFile(run, ".cfg"); });
    std::string result = IfExists(proc, path);
    if (result.empty()) {
        proc.Step([&] { ReportFault(run, "File not found: \n\r" + UCase(path)); });
        EndProgram(exitcode::kEndedByError);
    }
    return result;
}

std::string GetTRXConfigurationIniPath(RunState& run) {
    Proc proc(run, "GetTRXConfigurationIniPath");
    std::string path;
    proc.Step([&] { path = GetProjectFolder(run) + "\\parameter\\trxconfiguration.ini"; });
    return IfExists(proc, path);
}

std::string GetProgramIniPath(RunState& run, int32_t& mode) {
    Proc proc(run, "GetProgramIniPath");
    std::string path;
    if (mode == 1 && run.IntegratedMode) {
        std::string saveAndRestore;
        proc.Step(
            [&] { saveAndRestore = SaveAndRestoreFolder(run, GetTRXConfigurationIniPath(run)); });
        path = BelowSaveAndRestore(saveAndRestore, "parameter\\program.ini");
    } else {
        proc.Step([&] { path = GetProjectFolder(run) + "\\parameter\\Program.ini"; });
    }
    return IfExists(proc, path);
}

std::string GetPathMachineCopyMDB(RunState& run, const std::string& trxConfigurationIniPath) {
    Proc proc(run, "GetPathMachineCopyMDB");
    std::string path;
    proc.Step([&] {
        std::string unit = GetOCXName(run);
        path = BelowSaveAndRestore(SaveAndRestoreFolder(run, trxConfigurationIniPath),
                                   unit + "\\" + unit + ".mdb");
    });
    // The error protocol is off for this one check: a check that fails (an
    // unreachable backup drive, a malformed path) counts as found, and the
    // database preparation settles whether the copy can be used.
    bool found = true;
    proc.Quietly([&] { found = run.files().Exists(path); });
    return found ? path : "";
}

std::string GetFileNameOnly(RunState& run, const std::string& path) {
    Proc proc(run, "GetFileNameOnly");
    std::string result;
    proc.Step([&] {
        size_t lastSeparator = path.rfind('\\');
        result = lastSeparator == std::string::npos ? path : path.substr(lastSeparator + 1);
    });
    return result;
}

}  // namespace calvora
