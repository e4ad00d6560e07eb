#include "presetdb/database_preparation.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>

#include "presetdb/project_database.h"
#include "tests/presetdb/preset_project.h"

namespace fs = std::filesystem;

namespace calvora::test {
namespace {

using Rows = std::vector<std::string>;
using Mode = PresetProject::StartMode;

const std::vector<std::string> kDefs = {"'VISIWIN32', 1, 'W_###machine_###Var_Name'",
                                        "'VISIWINSTUDIO', 1, 'S_###machine_###Var_Name'"};

// A project with machines M1 and M2, both valid in every start mode.
void ValidProject(PresetProject& p) {
    p.Machines({"M1", "M2"});
    p.Cfg("ValidMachines=M1,M2\r\nForMachine1=TRUE\r\nForMachine2=TRUE\r\n");
}

fs::file_time_type OldTime() {
    return fs::file_time_type::clock::now() - std::chrono::hours(24 * 400);
}

TEST(WorkOnMDB, WithoutSourceDatabaseNoFileIsTouched) {
    for (Mode mode : {Mode::Silent, Mode::Standalone, Mode::Integrated}) {
        PresetProject p;
        p.Mode(mode);
        ValidProject(p);
        p.CreateUnit(kUnitDb, {{1, 1, "v"}});
        fs::last_write_time(p.folder.Host(kUnitDb), OldTime());
        auto timeBefore = fs::last_write_time(p.folder.Host(kUnitDb));
        std::string before = p.folder.Read(kUnitDb);
        WorkOnMDB(p.run);
        EXPECT_TRUE(p.folder.Read(kUnitDb) == before);
        EXPECT_EQ(fs::last_write_time(p.folder.Host(kUnitDb)), timeBefore);
        EXPECT_TRUE(p.ui.boxes.empty());
        EXPECT_EQ(p.run.FailuresReported, 0);
        EXPECT_EQ(p.run.PartVarNames[0][1], "");
    }
}

struct StudioCase {
    Mode mode;
    std::string programIni;
    int16_t expected;
};

TEST(WorkOnMDB, StudioProjectComesFromVWStudioOutsideAnIntegratedStart) {
    const StudioCase cases[] = {
        {Mode::Standalone, "[Project]\r\nVWStudio=TRUE\r\n", 1},
        {Mode::Silent, "[Project]\r\nVWStudio=true\r\n", 1},
        {Mode::Standalone, "[Project]\r\nVWStudio=1\r\n", 0},
        {Mode::Standalone, "[Project]\r\n", 0},
        {Mode::Integrated, "[Project]\r\nVWStudio=TRUE\r\n", 0},
    };
    for (const StudioCase& c : cases) {
        PresetProject p;
        p.Mode(c.mode);
        p.folder.Write(kProgramIni, c.programIni);
        p.run.StudioProject = 7;
        WorkOnMDB(p.run);
        EXPECT_EQ(p.run.StudioProject, c.expected) << c.programIni;
    }
}

TEST(WorkOnMDB, PublishesTheRegeneratedWorkspaceWithTheValuesTakenOver) {
    PresetProject p;
    ValidProject(p);
    p.CreateSource(kDefs,
                   {{2, 1, "b", "two", "###machine", 20}, {1, 1, "a", "one", "###machine", 10}});
    // Kept values of M2/a, named in the other kind's naming; one record without counterpart.
    p.CreateUnit(kUnitDb,
                 {{1, 1, "S_M2_a", "x", "M2", 10, 42.5}, {2, 1, "W_M9_a", "x", "M9", 10, 9}});
    WorkOnMDB(p.run);
    EXPECT_EQ(p.run.FailuresReported, 0) << p.folder.Read(kErrorLog);
    EXPECT_EQ(p.Rows(kUnitDb, "SELECT ID, machine_type, var_name, text, abs_min FROM PRESET_DEFS"),
              (Rows{"1|M1|W_M1_a|one|0.0", "2|M1|W_M1_b|two|0.0", "3|M2|W_M2_a|one|42.5",
                    "4|M2|W_M2_b|two|0.0"}));
    EXPECT_TRUE(p.folder.Read(kUnitDb) == p.folder.Read(kSourceDb));
    EXPECT_TRUE(p.Rows(kUnitDb, "SELECT name FROM sqlite_master WHERE type = 'index'").empty());
}

// The workspace replaces the unit database under its name; the old file is
// never written into, so whoever holds it (a link, an open handle) still
// reads it whole, and a stop at any moment leaves the old or the new file.
TEST(CopyDatabaseFile, WhoeverHoldsTheOldUnitDatabaseReadsItWhole) {
    PresetProject p;
    p.CreateUnit(kSourceDb, {{1, 1, "W_M1_new", "new", "M1", 0, 2}});
    p.CreateUnit(kUnitDb, {{1, 1, "W_M1_old", "old", "M1", 0, 1}});
    const fs::path held = p.folder.Root() / "held.mdb";
    fs::create_hard_link(p.folder.Host(kUnitDb), held);
    const std::string old = ReadFileBytes(held);
    CopyDatabaseFile(p.run, kSourceDb, kUnitDb);
    EXPECT_TRUE(ReadFileBytes(held) == old) << "the old unit database was written into";
    EXPECT_TRUE(p.folder.Read(kUnitDb) == p.folder.Read(kSourceDb));
}

TEST(WorkOnMDB, TheSourceDatabaseKeepsItsLastWriteTime) {
    PresetProject p;
    ValidProject(p);
    p.CreateSource(kDefs, {{1, 1, "a"}});
    fs::last_write_time(p.folder.Host(kSourceDb), OldTime());
    auto before = fs::last_write_time(p.folder.Host(kSourceDb));
    WorkOnMDB(p.run);
    EXPECT_EQ(p.Rows(kSourceDb, "SELECT COUNT(*) FROM PRESET_DEFS"), Rows{"2"});
    EXPECT_EQ(fs::last_write_time(p.folder.Host(kSourceDb)), before);
}

TEST(WorkOnMDB, IntegratedStartTakesTheMachineCopysValues) {
    PresetProject p;
    p.Mode(Mode::Integrated);
    ValidProject(p);
    p.folder.Write(kTrxIni, "[Common]\r\nSaveAndRestore=D:\\Backup\r\n");
    p.CreateSource(kDefs, {{1, 1, "a"}});
    p.CreateUnit(kUnitDb, {{1, 1, "W_M1_a", "x", "M1", 0, 7}});
    p.CreateUnit(kMachineCopy, {{1, 1, "W_M1_a", "x", "M1", 0, 42}});
    std::string machineCopy = p.folder.Read(kMachineCopy);
    WorkOnMDB(p.run);
    EXPECT_TRUE(p.ui.boxes.empty());
    EXPECT_EQ(p.Rows(kUnitDb, "SELECT machine_type, abs_min FROM PRESET_DEFS"),
              (Rows{"M1|42.0", "M2|0.0"}));
    EXPECT_TRUE(p.folder.Read(kMachineCopy) == machineCopy);
}

// Leaves a hot journal beside a database, as a program killed in the middle
// of a transaction does: a child changes the file in a transaction too large
// for its page cache, so the changes reach the file, and dies before the commit.
void KillInsideATransaction(const fs::path& file) {
    pid_t pid = fork();
    if (pid == 0) {
        sqlite3* db = nullptr;
        sqlite3_open(file.c_str(), &db);
        sqlite3_exec(db,
                     "PRAGMA cache_size = 2; BEGIN; UPDATE PRESET_DEFS SET text = 'killed', "
                     "abs_min = -1;",
                     nullptr, nullptr, nullptr);
        raise(SIGKILL);
    }
    int status = 0;
    waitpid(pid, &status, 0);
}

TEST(WorkOnMDB, AJournalLeftByAKilledProgramIsNotPlayedIntoTheMachineCopy) {
    PresetProject p;
    p.Mode(Mode::Integrated);
    ValidProject(p);
    p.folder.Write(kTrxIni, "[Common]\r\nSaveAndRestore=D:\\Backup\r\n");
    p.CreateSource(kDefs, {{1, 1, "a"}});
    // The machine copy is the larger file: the old pages would land inside it.
    std::vector<Preset> unit, machineCopy = {{1, 1, "W_M1_a", "x", "M1", 0, 42}};
    for (int id = 1; id <= 300; ++id)
        unit.push_back({id, 1, "W_M1_a", std::string(200, 'u'), "M1", 0, 7});
    for (int id = 2; id <= 1000; ++id)
        machineCopy.push_back({id, 1, "other", std::string(200, 'm'), "M9", id, 1});
    p.CreateUnit(kUnitDb, unit);
    p.CreateUnit(kMachineCopy, machineCopy);
    KillInsideATransaction(p.folder.Host(kUnitDb));
    ASSERT_TRUE(fs::exists(p.folder.Host(kUnitDb).string() + "-journal"));
    WorkOnMDB(p.run);
    EXPECT_EQ(p.run.FailuresReported, 0) << p.folder.Read(kErrorLog);
    EXPECT_EQ(p.Rows(kUnitDb, "SELECT machine_type, abs_min FROM PRESET_DEFS"),
              (Rows{"M1|42.0", "M2|0.0"}));
    EXPECT_FALSE(fs::exists(p.folder.Host(kUnitDb).string() + "-journal"));
}

TEST(WorkOnMDB, IntegratedStartWithoutMachineCopySaysSoAndUsesTheUnitDatabase) {
    PresetProject p;
    p.Mode(Mode::Integrated);
    ValidProject(p);
    p.folder.Write(kTrxIni, "[Common]\r\nSaveAndRestore=D:\\Backup\r\n");
    p.CreateSource(kDefs, {{1, 1, "a"}});
    p.CreateUnit(kUnitDb, {{1, 1, "W_M1_a", "x", "M1", 0, 7}});
    p.ui.Answer(box::kOk);
    WorkOnMDB(p.run);
    ASSERT_EQ(p.ui.boxes.size(), 1u);
    EXPECT_EQ(p.ui.boxes[0].text,
              "Konnte die Datei:\"Calvora.mdb\" in der Vorlage nicht finden!\r\n\r\n"
              "Ist das Bild in der Vorlage noch nicht vorhanden (also neu)?\r\n"
              "Dann ist diese Meldung völlig normal und es wird eine neue Datei mit den "
              "Standardwerten erzeugt.");
    EXPECT_EQ(p.ui.boxes[0].style, 64);
    EXPECT_EQ(p.ui.boxes[0].title, "");
    EXPECT_EQ(p.Rows(kUnitDb, "SELECT machine_type, abs_min FROM PRESET_DEFS"),
              (Rows{"M1|7.0", "M2|0.0"}));
}

TEST(WorkOnMDB, SourceDefsFillsPartVarNamesByKindInAnyLetterCase) {
    PresetProject p;
    p.CreateSource({"'VISIWIN32', 1, 'a1'", "'VisiWinStudio', 1, 'b1'", "'visiwin32', 50, 'a50'",
                    "'VISIWINSTUDIO', 50, 'b50'", "'OTHER', 2, 'x'", "NULL, 3, 'y'",
                    "'VISIWIN32', 4, 'first'", "'VISIWIN32', 4, 'second'"},
                   {});
    WorkOnMDB(p.run);
    EXPECT_EQ(p.run.PartVarNames[0][1], "a1");
    EXPECT_EQ(p.run.PartVarNames[1][1], "b1");
    EXPECT_EQ(p.run.PartVarNames[0][50], "a50");
    EXPECT_EQ(p.run.PartVarNames[1][50], "b50");
    EXPECT_EQ(p.run.PartVarNames[0][2], "");
    EXPECT_EQ(p.run.PartVarNames[0][3], "");
    EXPECT_EQ(p.run.PartVarNames[0][4], "second");
    EXPECT_EQ(p.run.FailuresReported, 0);
}

TEST(WorkOnMDB, ABadSourceDefsRecordMarksPartOneQuietly) {
    for (std::string bad : {"'VISIWIN32', 0, 'bad'", "'VISIWINSTUDIO', 51, 'bad'",
                            "'VISIWIN32', 5, NULL", "'VISIWIN32', NULL, 'bad'"}) {
        PresetProject p;
        p.CreateSource({"'VISIWIN32', 1, 'a1'", "'VISIWINSTUDIO', 1, 'b1'",
                        "'VISIWIN32', 50, 'a50'", bad, "'VISIWINSTUDIO', 50, 'b50'"},
                       {});
        WorkOnMDB(p.run);
        EXPECT_EQ(p.run.PartVarNames[0][1], "###Var_Name") << bad;
        EXPECT_EQ(p.run.PartVarNames[1][1], "###Var_Name") << bad;
        EXPECT_EQ(p.run.PartVarNames[0][50], "a50") << bad;
        EXPECT_EQ(p.run.PartVarNames[1][50], "b50") << bad;
        EXPECT_EQ(p.run.PartVarNames[0][5], "") << bad;
        EXPECT_EQ(p.run.FailuresReported, 0) << bad;
    }
}

// Also the regression test of the never-ending walk: the missing recordset
// fails its end test, and the walk must stop instead of entering its body
// again and again.
TEST(WorkOnMDB, AMissingSourceDefsIsReportedWithoutProcedureName) {
    PresetProject p;
    p.folder.CreateDatabase(
        kSourceDb, std::string("CREATE TABLE Source_PRESET_DEFS (") + kPresetColumns + ")");
    WorkOnMDB(p.run);
    std::string log = p.folder.Read(kErrorLog);
    EXPECT_NE(log.find(" /  (Nr. 3078)"), std::string::npos) << log;
}

TEST(WorkOnMDB, PresetDefsIsRebuiltWithTheTemplatesFieldsOnly) {
    PresetProject p;
    ValidProject(p);
    std::string columns = kPresetColumns;
    columns.replace(0, std::string("ID LONG").size(), "ID COUNTER PRIMARY KEY");
    p.folder.CreateDatabase(
        kSourceDb,
        "CREATE TABLE Source_DEFS (System TEXT(20), Part SHORT, Var_Name TEXT(100));"
        "CREATE TABLE Source_PRESET_DEFS (" +
            columns +
            ", Extra_Field TEXT(12) DEFAULT 'x');"
            "INSERT INTO Source_PRESET_DEFS (ID, part, var_name, Extra_Field) "
            "VALUES (5, 1, 'v', 'more');"
            "CREATE INDEX src_by_name ON Source_PRESET_DEFS (var_name);"
            "CREATE TABLE PRESET_DEFS (old TEXT(5));"
            "INSERT INTO PRESET_DEFS VALUES ('old');");
    WorkOnMDB(p.run);
    EXPECT_EQ(p.run.FailuresReported, 0) << p.folder.Read(kErrorLog);
    Rows templateColumns =
        p.Rows(kSourceDb, "SELECT name, type FROM pragma_table_info('Source_PRESET_DEFS')");
    Rows rebuilt = p.Rows(kSourceDb,
                          "SELECT name, type, dflt_value, pk FROM "
                          "pragma_table_info('PRESET_DEFS')");
    ASSERT_EQ(rebuilt.size(), 16u);
    EXPECT_EQ(rebuilt[0], "ID|LONG|NULL|0");
    for (size_t i = 1; i < rebuilt.size(); ++i)
        EXPECT_EQ(rebuilt[i], templateColumns[i] + "|NULL|0");
    EXPECT_EQ(rebuilt[15], "Extra_Field|TEXT(12)|NULL|0");
    EXPECT_EQ(p.Rows(kSourceDb, "SELECT ID, Extra_Field FROM PRESET_DEFS"),
              (Rows{"1|more", "2|more"}));
    EXPECT_TRUE(p.Rows(kSourceDb,
                       "SELECT name FROM sqlite_master WHERE tbl_name = 'PRESET_DEFS' "
                       "AND type = 'index'")
                    .empty());
}

// A loop whose count fails is entered once, as the protocol goes on with the
// body's first step, which fails again and is reported: without the template
// table, its field count fails (91) and so does the copy of field 0.
TEST(WorkOnMDB, AFailedFieldCountEntersTheCopyLoopOnce) {
    PresetProject p;
    ValidProject(p);
    p.folder.CreateDatabase(kSourceDb,
                            "CREATE TABLE Source_DEFS (System TEXT(20), Part SHORT, "
                            "Var_Name TEXT(100));");
    WorkOnMDB(p.run);
    const std::string log = p.folder.Read(kErrorLog);
    const std::string count91 = "WorkOnMDB (Nr. 91)";
    const size_t first = log.find(count91);
    ASSERT_NE(first, std::string::npos) << log;
    const size_t second = log.find(count91, first + 1);
    ASSERT_NE(second, std::string::npos) << log;
    EXPECT_EQ(log.find("\r\n", first), log.rfind("\r\n", second)) << "not one after the other:\n"
                                                                  << log;
}

TEST(WorkOnMDB, APresetDefsInOtherLetterCaseIsNotDroppedAndTheCreationFails) {
    PresetProject p;
    ValidProject(p);
    p.CreateSource(kDefs, {{1, 1, "a"}}, "CREATE TABLE preset_defs (old TEXT(5));");
    WorkOnMDB(p.run);
    std::string log = p.folder.Read(kErrorLog);
    EXPECT_NE(log.find("WorkOnMDB (Nr. 3010)"), std::string::npos) << log;
}

TEST(WorkOnMDB, AWorkspaceThatCannotBeCommittedIsNotPublished) {
    PresetProject p;
    ValidProject(p);
    p.CreateSource(kDefs, {{1, 1, "a"}});
    p.CreateUnit(kUnitDb, {{1, 1, "W_M1_a", "x", "M1", 0, 7}});
    const std::string all = "SELECT * FROM PRESET_DEFS";
    Rows unitBefore = p.Rows(kUnitDb, all);
    // Another program reads the source database all the while.
    sqlite3* reader = nullptr;
    ASSERT_EQ(sqlite3_open(p.folder.Host(kSourceDb).c_str(), &reader), SQLITE_OK);
    sqlite3_exec(reader, "BEGIN; SELECT COUNT(*) FROM Source_DEFS;", nullptr, nullptr, nullptr);
    WorkOnMDB(p.run);
    sqlite3_exec(reader, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(reader);
    std::string log = p.folder.Read(kErrorLog);
    EXPECT_NE(log.find("WorkOnMDB (Nr. 3218)"), std::string::npos) << log;
    EXPECT_EQ(p.Rows(kUnitDb, all), unitBefore);
    EXPECT_EQ(p.Rows(kSourceDb, "SELECT name FROM sqlite_master WHERE name = 'PRESET_DEFS'"),
              Rows{});
}

TEST(WorkOnMDB, AUnitDatabaseWithoutPresetDefsBecomesTheWorkspace) {
    PresetProject p;
    ValidProject(p);
    p.CreateSource(kDefs, {{1, 1, "a"}});
    p.folder.CreateDatabase(kUnitDb, "CREATE TABLE OTHER (x LONG)");
    WorkOnMDB(p.run);
    // The renames in the unit database find no table; they say so and the run goes on.
    std::string log = p.folder.Read(kErrorLog);
    EXPECT_NE(log.find("CategorieNachCategoryID (Nr. 3265)"), std::string::npos) << log;
    EXPECT_NE(log.find("VarNameInQuelleErsetzen (Nr. 3078)"), std::string::npos) << log;
    EXPECT_EQ(log.find("WorkOnMDB"), std::string::npos) << log;
    EXPECT_TRUE(p.folder.Read(kUnitDb) == p.folder.Read(kSourceDb));
    EXPECT_EQ(p.Rows(kUnitDb, "SELECT COUNT(*) FROM PRESET_DEFS"), Rows{"2"});
}

}  // namespace
}  // namespace calvora::test
