#include "settings/machines.h"

#include <cstdint>

#include "errors/error_protocol.h"
#include "settings/file_locations.h"
#include "settings/ini_access.h"

namespace calvora {

namespace {

// The TRX configuration INI file names at most this many machines.
constexpr int kMaxIntegratedMachines = 5;

// Stores name as machine n: the list grows to upper bound n, keeping the
// names already there; index 0 stays an empty placeholder.
void StoreMachine(RunState& run, int n, const std::string& name) {
    run.ExistingMachines.resize(static_cast<size_t>(n) + 1);
    run.ExistingMachines[static_cast<size_t>(n)] = name;
}

}  // namespace

void GetExistingMachines(RunState& run, std::string& trxConfigurationIniPath) {
    Proc proc(run, "GetExistingMachines");
    proc.Step([&] {
        int32_t mode = 1;
        run.ProgramIniPath = GetProgramIniPath(run, mode);
    });
    if (run.IntegratedMode) {
        const std::string& trxIni = trxConfigurationIniPath;
        if (proc.Test([&] { return !trxIni.empty() && run.files().Exists(trxIni); })) {
            for (int n = 1; n <= kMaxIntegratedMachines; ++n) {
                std::string name;
                proc.Step([&] {
                    name = LoadIniString(run, "Common", "NameM" + std::to_string(n), trxIni, false);
                });
                if (name == "-" || name.empty()) {
                    break;
                }
                proc.Step([&] { StoreMachine(run, n, name); });
            }
        }
        return;
    }
    int16_t count = 0;
    proc.Step([&] {
        count = LoadIniInteger(run, "Project", "NumberOfMachines", run.ProgramIniPath, false);
    });
    // A 32-bit counter: a count of 32767 must not overflow the loop itself.
    for (int32_t n = 1; n <= count; ++n) {
        proc.Step([&] {
            StoreMachine(run, n,
                         LoadIniString(run, "Machine" + std::to_string(n), "MachineName",
                                       run.ProgramIniPath, false));
        });
    }
}

std::string GetValidMachines(RunState& run) {
    Proc proc(run, "GetValidMachines");
    std::string result;
    proc.Step(
        [&] { result = LoadIniString(run, "Project", "ValidMachines", GetCFGPath(run), false); });
    return result;
}

}  // namespace calvora
