// The whole program on a project folder: a silent run publishes the
// regenerated table, and a run killed at any moment leaves whole databases.
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>

#include <chrono>
#include <thread>

#include "tests/presetdb/preset_project.h"

namespace calvora::test {
namespace {

using Rows = std::vector<std::string>;

#define SKIP_WITHOUT_PROGRAM()                                                              \
    if (ProjectFolder::BuiltProgram().empty())                                              \
    GTEST_SKIP() << "build/bin/Calvora_Config is not built yet (CALVORA_BIN_DIR names its " \
                    "folder); whole-program tests skipped"

// A project with machines M1 and M2, both configured, whose template holds
// count definitions; the unit database holds earlier values for part of them,
// under the VISIWIN32 names. A studio project names them otherwise, so its
// run first renames them in the unit database.
void WriteProject(const ProjectFolder& folder, int count, bool studio = false) {
    folder.Write(kProgramIni,
                 std::string("[Project]\r\nNumberOfMachines=2\r\nVWStudio=") +
                     (studio ? "TRUE" : "FALSE") +
                     "\r\n[Machine1]\r\nMachineName=M1\r\n[Machine2]\r\nMachineName=M2\r\n");
    folder.Write(kCfg, "[Project]\r\nForMachine1=TRUE\r\nForMachine2=TRUE\r\n");
    std::string records =
        "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < " +
        std::to_string(count) + ") ";
    folder.CreateDatabase(
        kSourceDb,
        "CREATE TABLE Source_DEFS (System TEXT(20), Part SHORT, Var_Name TEXT(100));"
        "INSERT INTO Source_DEFS VALUES ('VISIWIN32', 1, 'W_###machine_###Var_Name');"
        "INSERT INTO Source_DEFS VALUES ('VISIWINSTUDIO', 1, 'S_###machine_###Var_Name');" +
            std::string("CREATE TABLE Source_PRESET_DEFS (") + kPresetColumns + ");" + records +
            "INSERT INTO Source_PRESET_DEFS SELECT x, 1, '###machine', 1, 'v' || x, 2, 0, x, "
            "'text of ###machine ' || x, 'page', 0, 100, 1, 99, 3 FROM c;");
    folder.CreateDatabase(
        kUnitDb, std::string("CREATE TABLE PRESET_DEFS (") + kPresetColumns + ");" + records +
                     "INSERT INTO PRESET_DEFS SELECT x, 1, 'M2', 1, 'W_M2_v' || x, "
                     "2, 0, x, 'old', 'page', x, 100, 1, 99, 3 FROM c "
                     "WHERE x % 3 = 0;");
}

// What a database holds, read as the engine would open it (a journal left by
// a killed run is rolled back): "" when it is not whole.
std::string Snapshot(const std::filesystem::path& file, const std::string& table) {
    sqlite3* db = nullptr;
    std::string result;
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
        auto query = [&](const std::string& sql) {
            sqlite3_stmt* stmt = nullptr;
            std::string out;
            if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK)
                return std::string("error: ") + sqlite3_errmsg(db);
            while (sqlite3_step(stmt) == SQLITE_ROW) {
                for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
                    const unsigned char* text = sqlite3_column_text(stmt, i);
                    out += text ? reinterpret_cast<const char*>(text) : "NULL";
                    out += '|';
                }
                out += '\n';
            }
            sqlite3_finalize(stmt);
            return out;
        };
        if (query("PRAGMA integrity_check") == "ok|\n")
            result = query("SELECT * FROM " + table + " ORDER BY rowid");
    }
    sqlite3_close(db);
    return result;
}

TEST(ProgramRun, SilentRunPublishesTheRegeneratedTable) {
    SKIP_WITHOUT_PROGRAM();
    ProjectFolder folder;
    WriteProject(folder, 3);
    EXPECT_EQ(folder.Run({"/EXTERNAL=SILENT"}), 0) << folder.Read(kErrorLog);
    EXPECT_EQ(folder.Query(kUnitDb,
                           "SELECT ID, machine_type, var_name, text, abs_min "
                           "FROM PRESET_DEFS ORDER BY rowid"),
              (Rows{"1|M1|W_M1_v1|text of M1 1|0.0", "2|M1|W_M1_v2|text of M1 2|0.0",
                    "3|M1|W_M1_v3|text of M1 3|0.0", "4|M2|W_M2_v1|text of M2 1|0.0",
                    "5|M2|W_M2_v2|text of M2 2|0.0", "6|M2|W_M2_v3|text of M2 3|3.0"}));
    EXPECT_TRUE(folder.Read(kUnitDb) == folder.Read(kSourceDb));
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

// Killed at any moment, a run leaves the unit database whole, in one of the
// states the README names: the old one, the old one with its names renamed
// (the renames are committed together), or the new one.
TEST(ProgramRun, AKilledRunLeavesTheUnitDatabaseOldRenamedOrNewAndWhole) {
    SKIP_WITHOUT_PROGRAM();
    constexpr int kDefinitions = 2000;
    for (bool studio : {false, true}) {
        // The complete result, from an undisturbed run of the same project.
        ProjectFolder reference;
        WriteProject(reference, kDefinitions, studio);
        auto started = std::chrono::steady_clock::now();
        ASSERT_EQ(reference.Run({"/EXTERNAL=SILENT"}), 0);
        auto runTime = std::chrono::steady_clock::now() - started;
        const std::string newUnit = Snapshot(reference.Host(kUnitDb), "PRESET_DEFS");
        const std::string sourceDefs = Snapshot(reference.Host(kSourceDb), "Source_PRESET_DEFS");
        ASSERT_FALSE(newUnit.empty());

        ProjectFolder folder;
        WriteProject(folder, kDefinitions, studio);
        const std::string oldUnit = Snapshot(folder.Host(kUnitDb), "PRESET_DEFS");
        const std::string renamed = studio ? Replaced(oldUnit, "|W_M2_v", "|S_M2_v") : oldUnit;
        int sawOld = 0;
        // Kill points spread over the whole run, a little denser at the start.
        for (int step = 0; step < 20; ++step) {
            auto delay = runTime * (step * step) / (19 * 19);
            pid_t pid = folder.Start({"/EXTERNAL=SILENT"});
            std::this_thread::sleep_for(delay);
            kill(pid, SIGKILL);
            WaitForProgram(pid, 60);

            std::string unit = Snapshot(folder.Host(kUnitDb), "PRESET_DEFS");
            ASSERT_TRUE(unit == oldUnit || unit == renamed || unit == newUnit)
                << "unit database neither old, renamed nor new after a kill at "
                << std::chrono::duration_cast<std::chrono::milliseconds>(delay).count() << " ms";
            sawOld += unit == oldUnit;
            ASSERT_EQ(Snapshot(folder.Host(kSourceDb), "Source_PRESET_DEFS"), sourceDefs);
        }
        EXPECT_GT(sawOld, 0);
        ASSERT_EQ(folder.Run({"/EXTERNAL=SILENT"}), 0);
        EXPECT_EQ(Snapshot(folder.Host(kUnitDb), "PRESET_DEFS"), newUnit);
    }
}

}  // namespace
}  // namespace calvora::test
