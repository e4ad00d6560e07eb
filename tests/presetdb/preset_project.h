// A unit's project for the preset procedures, run inside the test: a
// ProjectFolder (drives C: and D: in a temporary folder) with a run wired to
// it, the program file being C:\Project\Config\Calvora_Config.
//
// The run starts silent (command line /EXTERNAL=SILENT), so reported failures
// go to the logs instead of message boxes; Mode() switches the start mode.
#pragma once

#include <string>
#include <vector>

#include "errors/run_state.h"
#include "platform/files.h"
#include "tests/support/project_folder.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/test_run.h"

namespace calvora::test {

inline constexpr const char* kSourceDb = "C:\\Project\\Calvora\\Calvora_Source.mdb";
inline constexpr const char* kUnitDb = "C:\\Project\\Calvora\\Calvora.mdb";
inline constexpr const char* kCfg = "C:\\Project\\Calvora\\Calvora.cfg";
inline constexpr const char* kProgramIni = "C:\\Project\\parameter\\Program.ini";
inline constexpr const char* kTrxIni = "C:\\Project\\parameter\\trxconfiguration.ini";
inline constexpr const char* kMachineCopy = "D:\\Backup\\Calvora\\Calvora.mdb";
inline constexpr const char* kErrorLog = "C:\\Project\\TRXcfglog.txt";

// The columns of the template table, part before var_name.
inline constexpr const char* kPresetColumns =
    "ID LONG, part SHORT, machine_type TEXT(50), type SHORT, var_name TEXT(100), "
    "category_id SHORT, isBitArray BIT, offset_or_bitno LONG, text TEXT(255), "
    "page_name TEXT(50), abs_min DOUBLE, abs_max DOUBLE, min DOUBLE, max DOUBLE, pass SHORT";

// One record of the template, or of a PRESET_DEFS, as an SQL values list.
struct Preset {
    int id;
    int part;
    std::string varName;
    std::string text = "def";
    std::string machineType = "###machine";
    int offset = 0;
    double absMin = 0;

    std::string Values() const;
};

// An INSERT of each preset into table.
std::string InsertPresets(const std::string& table, const std::vector<Preset>& presets);

class PresetProject {
  public:
    enum class StartMode { Silent, Standalone, Integrated };

    PresetProject();

    // Sets the command line and the run's start mode flags.
    void Mode(StartMode mode);

    // run.ExistingMachines = names (index 0 the empty placeholder).
    void Machines(const std::vector<std::string>& names);

    // The unit's configuration file with these lines in section Project.
    void Cfg(const std::string& projectLines);

    // A source database with Source_DEFS (System, Part, Var_Name) rows given as
    // SQL values lists, and Source_PRESET_DEFS holding the presets; extra is
    // run after them.
    void CreateSource(const std::vector<std::string>& defsRows, const std::vector<Preset>& presets,
                      const std::string& extra = "");

    // A unit database (or machine copy) whose PRESET_DEFS holds the presets.
    void CreateUnit(const std::string& winPath, const std::vector<Preset>& presets);

    std::vector<std::string> Rows(const std::string& winPath, const std::string& sql) const {
        return folder.Query(winPath, sql);
    }

    ProjectFolder folder;
    ScriptedUi ui;
    FakeProcess process;
    HostFiles files;
    RunState run;
};

}  // namespace calvora::test
