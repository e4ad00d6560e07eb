// The run: everything one run of the program shares.
//
// The procedures of the program are plain functions that take the run by
// reference. It holds the run's module-level state (all empty, false or zero
// when the program starts; each item is written by the procedures named
// beside it and only read elsewhere) and the platform services the
// procedures call, so that tests wire fakes where production wires the host.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "account/run_account.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/ui.h"

namespace calvora {

struct Services {
    Ui& ui;
    Process& process;
    Files& files;
};

struct RunState {
    explicit RunState(Services s) : services(s) {}

    Services services;
    Ui& ui() { return services.ui; }
    Process& process() { return services.process; }
    Files& files() { return services.files; }

    // Start mode; set by GetStartModeIntegrated.
    bool IntegratedMode = false;
    bool SilentMode = false;

    // Set by GetExistingMachines: the program INI file's path or "", and the
    // machine names. ExistingMachines is empty while no machine was found;
    // otherwise index 0 is an empty placeholder and 1..n hold the names.
    std::string ProgramIniPath;
    std::vector<std::string> ExistingMachines;

    // Set by WorkOnMDB: variable-name templates by project kind (0 VISIWIN32,
    // 1 VISIWINSTUDIO) and part 1..50 (index 0 unused), and the project kind
    // flag (1 studio, 0 otherwise).
    std::array<std::array<std::string, 51>, 2> PartVarNames{};
    int16_t StudioProject = 0;

    // Set by GetAddFields: the additional field names (unset, or index 0
    // empty and 1..n the names), their SQL column list and their count.
    std::optional<std::vector<std::string>> AddFieldNames;
    std::string AddFieldsSQL;
    int16_t AddFieldCount = 0;

    // The dialog's "?" mode; set by CommandQuest_Click.
    bool QuestMode = false;

    // Help texts by help id 1..100 (index 0 unused); set by LoadToolTipTexts.
    std::array<std::string, 101> HelpTexts{};

    // What the log writers need from the settings layer above them, wired
    // by WireSettings: the unit name (GetOCXName) and the command line's
    // LOGFILE value (GetPathLogfile, taken without reporting while a failure
    // is being reported, so that a broken switch cannot report itself forever).
    std::function<std::string()> UnitName;
    std::function<std::string()> LogFileSwitch;

    // Failures handed to ErrorSub (a completed run after any exits with 1).
    int FailuresReported = 0;

    // What the run did to the unit's presets, noted by the procedures where
    // it happens; the run's report is made from it.
    RunAccount Account;

    // True while ErrorSub asks for the unit name: a failure of that lookup is
    // reported once with an empty unit name instead of reporting itself again.
    bool ResolvingUnitName = false;
};

}  // namespace calvora
