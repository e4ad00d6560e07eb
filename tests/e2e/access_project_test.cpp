// A project that comes with Access databases: both are converted in place
// with the presetdb tool, and a silent run regenerates the heating's presets
// from the template, renaming the old table's category field and taking the
// tuned values over. The fixtures' old table holds the tuned values for the
// VISIWIN32 names and one definition the template no longer has.
#include <gtest/gtest.h>

#include <set>

#include "errors/error_protocol.h"
#include "tests/e2e/run_checks.h"
#include "tests/presetdb/preset_project.h"
#include "tests/support/sqlite_file.h"

namespace calvora::test {
namespace {

namespace fs = std::filesystem;
using Rows = std::vector<std::string>;

// The five definitions of one machine: part, variable name template-wise,
// category, bit array, offset, text, page, and the tuned abs_min, abs_max,
// min, max and pass that the old table holds for them.
struct Definition {
    int part;
    const char* name;  // the template's var_name
    const char*
        rest;  // category_id|isBitArray|offset_or_bitno|text|page_name with "%M" for the machine
    const char* tuned;
};

const Definition kDefinitions[] = {
    {1, "Sollwert", "10|-1|0|Heizzone %M Sollwert|Heizung", "1.0|399.0|20.5|249.75|NULL"},
    {1, "Toleranz", "10|0|2|Heizzone %M Toleranz|Heizung", "1.0|49.0|1.5|9.75|9"},
    {2, "Leistung", "20|-1|4|Heizband %M Leistung|Leistung", "1.0|99.0|0.5|99.75|9"},
    {2, "Rampe", "20|0|6|Heizband %M Rampe|Leistung", "1.0|29.0|1.5|9.75|9"},
    {3, "Alarm", "30|-1|8|Temperatur %M Alarm|Alarme", "1.0|449.0|50.5|299.75|9"},
};

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

// The variable name Source_DEFS makes of a definition for a machine.
using Naming = std::string (*)(const Definition&, const std::string& machine);

std::string Visiwin32Name(const Definition& d, const std::string& m) {
    static const char* const kLetter[] = {"", "H", "L", "A"};
    return "M_" + m + "_" + kLetter[d.part] + "_" + d.name + (d.part == 3 ? "_" + m : "");
}

std::string StudioName(const Definition& d, const std::string& m) {
    static const char* const kGroup[] = {"", "Heizung", "Leistung", "Alarm"};
    return "Ch1." + m + "." + kGroup[d.part] + "." + d.name;
}

// ID, machine_type, type, part, var_name, category_id, isBitArray,
// offset_or_bitno, text, page_name, abs_min, abs_max, min, max, pass: the
// template's field order. M1's five records, then M2's, all with the values
// tuned in the old table.
Rows Expected(Naming naming) {
    Rows rows;
    int id = 0;
    for (const std::string machine : {"M1", "M2"}) {
        for (const Definition& d : kDefinitions) {
            rows.push_back(std::to_string(++id) + "|" + machine + "|1|" + std::to_string(d.part) +
                           "|" + naming(d, machine) + "|" + Replaced(d.rest, "%M", machine) + "|" +
                           d.tuned);
        }
    }
    return rows;
}

class AccessProject : public ::testing::Test {
  protected:
    explicit AccessProject(const char* fixture = "heating") : fixture_(fixture) {}

    void SetUp() override {
        if (ProjectFolder::BuiltProgram().empty() || !fs::exists(BuiltBinDir() / "presetdb"))
            GTEST_SKIP() << "build/bin/Calvora_Config or build/bin/presetdb is not built";
        for (const char* db : {kUnitDb, kSourceDb}) {
            const fs::path host = folder.Host(db);
            fs::create_directories(host.parent_path());
            fs::copy_file(TestDataDir() / "access" / fixture_ / host.filename(), host);
            fs::permissions(host, fs::perms::owner_write, fs::perm_options::add);
            ASSERT_EQ(RunTool(BuiltBinDir() / "presetdb", {"import", "--in-place", host.string()}),
                      0)
                << db;
        }
        folder.Write(kCfg, "[Project]\r\nForMachine1=TRUE\r\nForMachine2=TRUE\r\n");
    }

    void ProgramIni(const char* vwStudio) {
        folder.Write(kProgramIni, std::string("[Project]\r\nNumberOfMachines=2\r\nVWStudio=") +
                                      vwStudio +
                                      "\r\n[Machine1]\r\nMachineName=M1\r\n"
                                      "[Machine2]\r\nMachineName=M2\r\n");
    }

    Rows Columns(const std::string& db) const {
        return folder.Query(db, "SELECT name FROM pragma_table_info('PRESET_DEFS')");
    }

    // The way back: the unit database exported into the Access file its
    // import kept, then read back through mdbtools by a second import.
    Rows ExportedAndReadBack() {
        const fs::path unit = folder.Host(kUnitDb);
        const std::string kept = unit.string() + ".jet.bak";
        EXPECT_EQ(RunTool(BuiltBinDir() / "presetdb",
                          {"export", unit.string(), "--into", kept, "--out", Exported().string()}),
                  0);
        EXPECT_EQ(RunTool(BuiltBinDir() / "presetdb",
                          {"import", Exported().string(), folder.Host(kReadBack).string()}),
                  0);
        return Records(folder, kReadBack, "PRESET_DEFS");
    }

    fs::path Exported() const { return folder.Host(kUnitDb).replace_filename("Exported.mdb"); }

    static constexpr const char* kReadBack = "C:\\Project\\ReadBack.mdb";
    const char* fixture_;
    ProjectFolder folder;
};

// The unit database as it stands on Windows after earlier runs: a copy of
// the source database, with the current field names.
class SteadyProject : public AccessProject {
  protected:
    SteadyProject() : AccessProject("steady") {}
};

TEST_F(AccessProject, ConvertedProjectRunsAndKeepsTheTunedValues) {
    ProgramIni("FALSE");
    const fs::file_time_type sourceTime = AgeFile(folder.Host(kSourceDb));

    EXPECT_EQ(folder.Run({"/EXTERNAL=SILENT"}, {}, 60), exitcode::kClean) << folder.Read(kErrorLog);
    EXPECT_EQ(Records(folder, kUnitDb, "PRESET_DEFS"), Expected(Visiwin32Name));
    EXPECT_EQ(folder.Query(kUnitDb, "SELECT ID FROM PRESET_DEFS WHERE var_name = 'Obsolete_Var'"),
              Rows{});
    EXPECT_EQ(Indexes(folder, kUnitDb), Rows{});
    EXPECT_TRUE(folder.Read(kUnitDb) == folder.Read(kSourceDb));
    EXPECT_EQ(fs::last_write_time(folder.Host(kSourceDb)), sourceTime);
    EXPECT_EQ(EditedBy(folder), "1.0.1 - Standalone");
}

// A studio project names its variables after the studio's templates. The old
// table still holds the VISIWIN32 names; each generated name first renames
// its VISIWIN32 counterpart there, so the takeover finds the tuned values
// under the studio name.
TEST_F(AccessProject, StudioProjectRenamesTheOldNamesAndKeepsTheTunedValues) {
    ProgramIni("TRUE");
    EXPECT_EQ(folder.Run({"/EXTERNAL=SILENT"}, {}, 60), exitcode::kClean) << folder.Read(kErrorLog);
    EXPECT_EQ(Records(folder, kUnitDb, "PRESET_DEFS"), Expected(StudioName));
}

// A run ended before publishing shows what it did to the old table on the
// way: the category field renamed, the variable names brought into the
// studio naming, the values and the obsolete record untouched.
TEST_F(AccessProject, RunEndedBeforePublishingLeavesTheOldTableRenamed) {
    ProgramIni("TRUE");
    ASSERT_EQ(Columns(kUnitDb)[5], "categorie");
    folder.Write(kCfg,
                 "[Project]\r\nForMachine1=TRUE\r\nForMachine2=TRUE\r\n"
                 "DataBaseAdditionalFields=extra\r\n");
    EXPECT_EQ(folder.Run({"/EXTERNAL=SILENT"}, {}, 60), exitcode::kEndedByError);
    EXPECT_EQ(Columns(kUnitDb)[5], "category_id");
    EXPECT_EQ(folder.Query(kUnitDb, "SELECT var_name, abs_max FROM PRESET_DEFS ORDER BY rowid"),
              (Rows{"Ch1.M1.Heizung.Sollwert|399.0", "Ch1.M1.Heizung.Toleranz|49.0",
                    "Ch1.M1.Leistung.Leistung|99.0", "Ch1.M1.Leistung.Rampe|29.0",
                    "Ch1.M1.Alarm.Alarm|449.0", "Ch1.M2.Heizung.Sollwert|399.0",
                    "Ch1.M2.Heizung.Toleranz|49.0", "Ch1.M2.Leistung.Leistung|99.0",
                    "Ch1.M2.Leistung.Rampe|29.0", "Ch1.M2.Alarm.Alarm|449.0", "Obsolete_Var|2.0"}));
}

// The published table arrives in the Access file under the run's field
// names (category_id, no longer categorie) with the taken-over values.
TEST_F(AccessProject, ExportTakesThePublishedPresetsIntoTheKeptAccessFile) {
    ProgramIni("FALSE");
    ASSERT_EQ(folder.Run({"/EXTERNAL=SILENT"}, {}, 60), exitcode::kClean) << folder.Read(kErrorLog);
    EXPECT_EQ(ExportedAndReadBack(), Expected(Visiwin32Name));
    EXPECT_EQ(folder.Query(kReadBack, "SELECT name FROM pragma_table_info('PRESET_DEFS')")[5],
              "category_id");
}

// Only PRESET_DEFS changes: every page of the source tables, the system
// tables and the rest of the file keeps its bytes.
TEST_F(SteadyProject, ExportChangesOnlyThePresetTablesPages) {
    ProgramIni("FALSE");
    ASSERT_EQ(folder.Run({"/EXTERNAL=SILENT"}, {}, 60), exitcode::kClean) << folder.Read(kErrorLog);
    EXPECT_EQ(ExportedAndReadBack(), Records(folder, kUnitDb, "PRESET_DEFS"));
    const std::string before = folder.Read(std::string(kUnitDb) + ".jet.bak");
    const std::string after = ReadFileBytes(Exported());
    // In this file PRESET_DEFS has its definition on page 33, its usage maps
    // on page 34, its records on page 35 and a map page on 36; page 1 holds
    // the file's allocation map.
    const std::set<size_t> ownPages{1, 33, 34, 35, 36};
    constexpr size_t kPage = 4096;
    ASSERT_GE(after.size(), before.size());
    EXPECT_NE(after.compare(35 * kPage, kPage, before, 35 * kPage, kPage), 0)
        << "the run changed nothing of PRESET_DEFS";
    for (size_t page = 0; page < before.size() / kPage; ++page) {
        if (!ownPages.count(page)) {
            EXPECT_EQ(before.compare(page * kPage, kPage, after, page * kPage, kPage), 0) << page;
        }
    }
}

// Another program reads the unit database for the whole run, so the renames
// into the studio naming cannot be committed and are rolled back. The
// takeover would then look for the tuned values under names the old table no
// longer holds: the run reports it, publishes nothing, and the unit database
// keeps every byte.
TEST_F(AccessProject, FailedRenameCommitPublishesNothing) {
    ProgramIni("TRUE");
    const std::string before = folder.Read(kUnitDb);
    {
        HeldLock reader(folder.Host(kUnitDb), HeldLock::Kind::Shared);
        EXPECT_EQ(folder.Run({"/EXTERNAL=SILENT"}, {}, 120), exitcode::kAfterFailures);
    }
    EXPECT_TRUE(folder.Read(kUnitDb) == before);
    EXPECT_NE(folder.Read("C:\\BrantorServicePack.log")
                  .find("The unit database was left unchanged: the renamed variable names could "
                        "not be stored in the unit database."),
              std::string::npos)
        << folder.Read("C:\\BrantorServicePack.log");
}

}  // namespace
}  // namespace calvora::test
