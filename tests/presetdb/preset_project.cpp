#include "tests/presetdb/preset_project.h"

#include <sstream>

namespace fs = std::filesystem;

namespace calvora::test {

std::string Preset::Values() const {
    std::ostringstream out;
    out << "(" << id << ", " << part << ", '" << machineType << "', 1, '" << varName << "', 2, 0, "
        << offset << ", '" << text << "', 'page', " << absMin << ", 100, 1, 99, 3)";
    return out.str();
}

std::string InsertPresets(const std::string& table, const std::vector<Preset>& presets) {
    std::string sql;
    for (const Preset& p : presets)
        sql += "INSERT INTO " + table + " VALUES " + p.Values() + ";";
    return sql;
}

namespace {
PathModel ProjectPaths(const fs::path& root) {
    return PathModel({{'C', root / "c"}, {'D', root / "d"}}, root / "c" / "Project" / "Config",
                     root / "unused_default_c");
}
}  // namespace

PresetProject::PresetProject()
    : files(ProjectPaths(folder.Root())), run(Services{ui, process, files}) {
    run.UnitName = [] { return std::string("Calvora"); };
    run.LogFileSwitch = [] { return std::string(); };
    run.ProgramIniPath = kProgramIni;
    Mode(StartMode::Silent);
    Cfg("");
}

void PresetProject::Mode(StartMode mode) {
    process.commandLine = mode == StartMode::Silent       ? "/EXTERNAL=SILENT"
                          : mode == StartMode::Integrated ? "/EXTERNAL=TRXCFG"
                                                          : "";
    run.SilentMode = mode == StartMode::Silent;
    run.IntegratedMode = mode == StartMode::Integrated;
}

void PresetProject::Machines(const std::vector<std::string>& names) {
    run.ExistingMachines = {""};
    run.ExistingMachines.insert(run.ExistingMachines.end(), names.begin(), names.end());
}

void PresetProject::Cfg(const std::string& projectLines) {
    folder.Write(kCfg, "[Project]\r\n" + projectLines);
}

void PresetProject::CreateSource(const std::vector<std::string>& defsRows,
                                 const std::vector<Preset>& presets, const std::string& extra) {
    std::string script =
        "CREATE TABLE Source_DEFS (System TEXT(20), Part SHORT, Var_Name TEXT(100));";
    for (const std::string& row : defsRows)
        script += "INSERT INTO Source_DEFS VALUES (" + row + ");";
    script += std::string("CREATE TABLE Source_PRESET_DEFS (") + kPresetColumns + ");";
    script += InsertPresets("Source_PRESET_DEFS", presets);
    folder.CreateDatabase(kSourceDb, script + extra);
}

void PresetProject::CreateUnit(const std::string& winPath, const std::vector<Preset>& presets) {
    folder.CreateDatabase(winPath, std::string("CREATE TABLE PRESET_DEFS (") + kPresetColumns +
                                       ");" + InsertPresets("PRESET_DEFS", presets));
}

}  // namespace calvora::test
