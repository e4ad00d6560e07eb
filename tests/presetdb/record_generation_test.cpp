#include "presetdb/record_generation.h"

#include <gtest/gtest.h>

#include "dao/database.h"
#include "errors/error_protocol.h"
#include "tests/presetdb/preset_project.h"

namespace calvora::test {
namespace {

using Rows = std::vector<std::string>;

// A source database with the template's records and an empty PRESET_DEFS of
// the same fields.
void Source(PresetProject& p, const std::vector<Preset>& presets, const std::string& extra = "") {
    p.CreateSource({}, presets,
                   std::string("CREATE TABLE PRESET_DEFS (") + kPresetColumns + ");" + extra);
}

void Generate(PresetProject& p) {
    dao::Database db = dao::OpenDatabase(p.folder.Host(kSourceDb));
    PresetTable table = CreateRecordSets(p.run, db).table;
    Proc write(p.run, "CreateRecordSets");
    WritePresetTable(write, db, table);
    db.Close();
}

Rows Generated(const PresetProject& p, const std::string& columns = "ID, machine_type, text") {
    return p.Rows(kSourceDb, "SELECT " + columns + " FROM PRESET_DEFS ORDER BY rowid");
}

TEST(Generation, ValidMachinesGetOneRecordPerDefinitionInIdOrderNumberedAcrossMachines) {
    PresetProject p;
    p.Machines({"A", "B", "C"});
    p.Cfg("ForMachine1=TRUE\r\nForMachine3=true\r\n");
    p.run.PartVarNames[0][1] = "###Var_Name";
    Source(p, {{9, 1, "v9", "d9"}, {3, 1, "v3", "d3"}, {7, 1, "v7", "d7"}});
    Generate(p);
    EXPECT_EQ(Generated(p), (Rows{"1|A|d3", "2|A|d7", "3|A|d9", "4|C|d3", "5|C|d7", "6|C|d9"}));
    EXPECT_EQ(Generated(p, "var_name"), (Rows{"v3", "v7", "v9", "v3", "v7", "v9"}));
    EXPECT_EQ(p.run.FailuresReported, 0);
    EXPECT_GE(p.ui.eventPasses, 1);
}

struct ValidityCase {
    std::string validMachines;
    std::vector<std::string> machines;
    Rows expectedMachines;
};

TEST(Generation, IntegratedStartValidatesBySubstringOrAllInAnyCase) {
    const ValidityCase cases[] = {
        {"ALL", {"A", "B"}, {"A", "B"}},
        {"aLl", {"A", "-", "B"}, {"A", "B"}},
        {"M10", {"M1", "M2"}, {"M1"}},
        {"m2;x", {"M1", "M2"}, {"M2"}},
        {"x, M2, y", {"M1", "M2", "M3"}, {"M2"}},
        {"x;m3", {"M1", "M2", "M3"}, {"M3"}},
        {"", {"A"}, {}},
        {"A,-", {"-"}, {}},
    };
    for (const ValidityCase& c : cases) {
        PresetProject p;
        p.Mode(PresetProject::StartMode::Integrated);
        p.Machines(c.machines);
        p.Cfg("ValidMachines=" + c.validMachines + "\r\n");
        Source(p, {{1, 1, "v"}});
        Generate(p);
        EXPECT_EQ(Generated(p, "machine_type"), c.expectedMachines) << c.validMachines;
        EXPECT_EQ(p.run.FailuresReported, 0);
    }
}

TEST(Generation, StandaloneAndSilentStartsValidateByForMachineKeys) {
    for (auto mode : {PresetProject::StartMode::Standalone, PresetProject::StartMode::Silent}) {
        PresetProject p;
        p.Mode(mode);
        p.Machines({"A", "-", "C", "D"});
        // No key for C; the machine "-" is skipped although valid; ALL plays no part.
        p.Cfg("ValidMachines=ALL\r\nForMachine1=True\r\nForMachine2=TRUE\r\nForMachine4=yes\r\n");
        Source(p, {{1, 1, "v"}});
        Generate(p);
        EXPECT_EQ(Generated(p, "machine_type"), Rows{"A"});
    }
}

// Two machines, both valid: what depends on the machine must differ.
void TwoValidMachines(PresetProject& p, const std::string& first, const std::string& second) {
    p.Machines({first, second});
    p.Cfg("ForMachine1=TRUE\r\nForMachine2=TRUE\r\n");
}

TEST(Generation, PlaceholdersAreReplacedTwiceInVarNamesOnceElsewhere) {
    PresetProject p;
    TwoValidMachines(p, "A", "B");
    p.run.PartVarNames[0][2] = "###machine.###Var_Name.###MACHINE.###machine";
    p.run.PartVarNames[1][2] = "S_###Var_Name";
    Source(p, {{1, 2, "V", "###machine and ###machine"}});
    Generate(p);
    EXPECT_EQ(Generated(p, "var_name, text"),
              (Rows{"A.V.A.###machine|A and ###machine", "B.V.B.###machine|B and ###machine"}));

    p.run.StudioProject = 1;
    Source(p, {{1, 2, "V"}});
    Generate(p);
    EXPECT_EQ(Generated(p, "var_name"), (Rows{"S_V", "S_V"}));
}

TEST(Generation, AVarNameTemplateThatCannotBeFilledInFailsForEveryMachine) {
    PresetProject p;
    TwoValidMachines(p, "A", "B");
    p.run.PartVarNames[0][1] = std::string(32767, 'x') + "###Var_Name";
    p.run.PartVarNames[0][2] = "###machine_###Var_Name";
    Source(p, {{1, 1, "V"}, {2, 2, "W"}});
    Generate(p);
    const std::string log = p.folder.Read(kErrorLog);
    size_t overflows = 0;
    for (size_t at = log.find("ReplaceSearchItem (Nr. 6)"); at != std::string::npos;
         at = log.find("ReplaceSearchItem (Nr. 6)", at + 1))
        ++overflows;
    EXPECT_EQ(overflows, 2u);
    EXPECT_EQ(Generated(p, "var_name"), (Rows{"NULL", "A_W", "NULL", "B_W"}));
}

TEST(Generation, APartNamedByTheMachineTakesEachMachinesTemplate) {
    PresetProject p;
    TwoValidMachines(p, "1", "2");
    p.run.PartVarNames[0][1] = "one_###Var_Name";
    p.run.PartVarNames[0][2] = "two_###Var_Name";
    // A part held as text takes the machine's name like any text.
    p.folder.CreateDatabase(kSourceDb,
                            "CREATE TABLE Source_PRESET_DEFS (ID LONG, part TEXT(10), var_name "
                            "TEXT(100));"
                            "CREATE TABLE PRESET_DEFS (ID LONG, part TEXT(10), var_name TEXT(100));"
                            "INSERT INTO Source_PRESET_DEFS VALUES (1, '###machine', 'V');");
    Generate(p);
    EXPECT_EQ(p.folder.Read(kErrorLog), "");
    EXPECT_EQ(Generated(p, "part, var_name"), (Rows{"1|one_V", "2|two_V"}));
}

TEST(Generation, NonTextValuesAreCopiedUnchanged) {
    PresetProject p;
    p.Machines({"A"});
    p.Cfg("ForMachine1=TRUE\r\n");
    Source(p, {},
           "INSERT INTO Source_PRESET_DEFS (ID, part, machine_type, var_name, offset_or_bitno, "
           "abs_min, isBitArray) VALUES (4, 1, NULL, NULL, 17, 2.5, -1);");
    Generate(p);
    EXPECT_EQ(
        Generated(p, "ID, machine_type, var_name, offset_or_bitno, abs_min, isBitArray, text"),
        Rows{"1|NULL|NULL|17|2.5|-1|NULL"});
    EXPECT_EQ(p.run.FailuresReported, 0);
}

TEST(Generation, APartOutsideOneToFiftyIsReportedAndLeavesVarNameEmpty) {
    PresetProject p;
    p.Machines({"A"});
    p.Cfg("ForMachine1=TRUE\r\n");
    p.run.PartVarNames[0][1] = "ok_###Var_Name";
    Source(p, {{1, 0, "zero"}, {2, 51, "big"}, {3, 1, "fine"}});
    Generate(p);
    EXPECT_EQ(Generated(p, "ID, var_name, text"),
              (Rows{"1|NULL|def", "2|NULL|def", "3|ok_fine|def"}));
    EXPECT_EQ(p.run.FailuresReported, 2);
    EXPECT_NE(p.folder.Read(kErrorLog).find("CreateRecordSets (Nr. 9)"), std::string::npos);
}

TEST(Generation, VarNamesOfTheOtherKindAreRenamedInTheUnitDatabase) {
    PresetProject p;
    p.Machines({"A", "B"});
    p.Cfg("ForMachine1=TRUE\r\nForMachine2=TRUE\r\n");
    p.run.PartVarNames[0][1] = "W_###machine_###Var_Name";
    p.run.PartVarNames[1][1] = "S_###machine_###Var_Name";
    p.CreateUnit(kUnitDb, {{1, 1, "S_A_v"}, {2, 1, "s_b_V"}, {3, 1, "S_C_v"}, {4, 1, "W_A_w"}});
    Source(p, {{1, 1, "v"}, {2, 1, "w"}});
    Generate(p);
    EXPECT_EQ(p.Rows(kUnitDb, "SELECT var_name FROM PRESET_DEFS ORDER BY ID"),
              (Rows{"W_A_v", "W_B_v", "S_C_v", "W_A_w"}));
    EXPECT_TRUE(p.Rows(kUnitDb, "SELECT name FROM sqlite_master WHERE type = 'index'").empty());
    EXPECT_EQ(p.run.FailuresReported, 0);
}

TEST(Generation, ASourceWithoutRecordsWritesNothingAndLeavesTheUnitDatabase) {
    PresetProject p;
    p.Machines({"A"});
    p.Cfg("ForMachine1=TRUE\r\n");
    p.CreateUnit(kUnitDb, {{1, 1, "S_A_v"}});
    std::string unitBefore = p.folder.Read(kUnitDb);
    Source(p, {});
    Generate(p);
    EXPECT_TRUE(Generated(p).empty());
    EXPECT_TRUE(p.folder.Read(kUnitDb) == unitBefore);
}

TEST(Generation, MoreThan32767SourceRecordsOverflowAndNothingIsGenerated) {
    PresetProject p;
    p.Machines({"A"});
    p.Cfg("ForMachine1=TRUE\r\n");
    Source(p, {},
           "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < 32768) "
           "INSERT INTO Source_PRESET_DEFS (ID, part) SELECT x, 1 FROM c;");
    Generate(p);
    EXPECT_TRUE(Generated(p).empty());
    EXPECT_EQ(p.run.FailuresReported, 1);
    EXPECT_NE(p.folder.Read(kErrorLog).find("CreateRecordSets (Nr. 6)"), std::string::npos);
}

TEST(Generation, MoreThan32767RecordsOverflowTheIdAndGenerationGoesOn) {
    PresetProject p;
    p.Machines({"A", "B"});
    p.Cfg("ForMachine1=TRUE\r\nForMachine2=TRUE\r\n");
    Source(p, {},
           "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < 16384) "
           "INSERT INTO Source_PRESET_DEFS (ID, part) SELECT x, 1 FROM c;");
    Generate(p);
    EXPECT_EQ(p.Rows(kSourceDb, "SELECT COUNT(*), MAX(ID), COUNT(DISTINCT ID) FROM PRESET_DEFS"),
              Rows{"32768|32767|32767"});
    // The counter overflows on each step past 32767: after the records 32767 and 32768.
    EXPECT_EQ(p.run.FailuresReported, 2);
}

}  // namespace
}  // namespace calvora::test
