// The machines of the project.
#pragma once

#include <string>

#include "errors/run_state.h"

namespace calvora {

// Sets run.ProgramIniPath (GetProgramIniPath, mode 1) and fills
// run.ExistingMachines: in an integrated start from keys NameM1..NameM5 of
// section "Common" of the TRX configuration INI file (stopping at the first
// "-" or empty value); otherwise from "NumberOfMachines" of section "Project"
// and "MachineName" of sections Machine1..MachineN of the program INI file.
// Reports as "GetExistingMachines".
void GetExistingMachines(RunState& run, std::string& trxConfigurationIniPath);

// "ValidMachines" of section "Project" of the unit's configuration file.
// Reports as "GetValidMachines".
std::string GetValidMachines(RunState& run);

}  // namespace calvora
