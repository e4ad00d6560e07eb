// The real program on a project folder, once in each start mode: the
// published unit database holds the regenerated records with the values
// taken over from the machine copy, record by record and field by field.
//
// One template and one machine copy cover the takeover's rules: matching on
// machine, variable name (without regard to case) and offset; the first of
// two equal records served; the last of two matching rows winning; nulls
// carried over; a name holding double quotes matched like any other; rows
// with an empty offset, a name that would bring SQL of its own (it would
// otherwise select v3) or no counterpart passed over.
#include <gtest/gtest.h>

#include <fstream>
#include <optional>

#include "errors/error_protocol.h"
#include "tests/e2e/run_checks.h"
#include "tests/presetdb/preset_project.h"
#include "tests/support/sqlite_file.h"

namespace calvora::test {
namespace {

namespace fs = std::filesystem;
using Rows = std::vector<std::string>;

constexpr const char* kLogFile = "C:\\Project\\log\\errors.txt";
constexpr const char* kServiceLog = "C:\\BrantorServicePack.log";
const std::vector<std::string> kOffscreen{"QT_QPA_PLATFORM=offscreen"};

// Eleven definitions of part 1, whose template "###Var_Name" keeps the names as
// they are. Definition 4 names its machine itself; the others take the
// generating machine's. Stored in reverse, so only the ORDER BY ID of the
// generation puts them in order.
const char* const kSourceDefs =
    "CREATE TABLE Source_DEFS (System TEXT(20), Part SHORT, Var_Name TEXT(100));"
    "INSERT INTO Source_DEFS VALUES ('VISIWIN32', 1, '###Var_Name');"
    "INSERT INTO Source_DEFS VALUES ('VISIWINSTUDIO', 1, '###Var_Name');";
const char* const kTemplateRows =
    "INSERT INTO Source_PRESET_DEFS VALUES"
    " (11, 1, '###machine', 2, 'say \"hi\"', 110, 0, 0, 'Zone ###machine', 'Seite', 0, 100, 0, "
    "100, 1),"
    " (10, 1, '###machine', 2, 'v3', 100, 0, 0, 'Zone ###machine', 'Seite', 0, 100, 0, 100, 1),"
    " (9, 1, '###machine', 2, 'blank', 90, -1, 0, 'Zone ###machine', 'Seite', 0, 100, 0, 100, 1),"
    " (8, 1, '###machine', 2, 'nulls', 80, 0, 0, 'Zone ###machine', 'Seite', 0, 100, 0, 100, 1),"
    " (7, 1, '###machine', 2, 'twice', 70, -1, 0, 'Zone ###machine', 'Seite', 0, 100, 0, 100, 1),"
    " (6, 1, '###machine', 2, 'dup', 60, 0, 0, 'Zone ###machine', 'Seite', 0, 100, 0, 100, 1),"
    " (5, 1, '###machine', 2, 'dup', 50, -1, 0, 'Zone ###machine', 'Seite', 0, 100, 0, 100, 1),"
    " (4, 1, 'M2', 2, 'v1', 40, 0, 0, 'Zone M2', 'Seite', 0, 100, 0, 100, 1),"
    " (3, 1, '###machine', 2, 'v2', 30, -1, 1, 'Zone ###machine', 'Seite', 0, 100, 0, 100, 1),"
    " (2, 1, '###machine', 2, 'v2', 20, 0, 0, 'Zone ###machine', 'Seite', 0, 100, 0, 100, 1),"
    " (1, 1, '###machine', 2, 'v1', 10, -1, 0, 'Zone ###machine', 'Seite', 0, 100, 0, 100, 1);";

// The machine's values: abs_min, abs_max, min, max and pass per row.
const char* const kMachineRows =
    "INSERT INTO PRESET_DEFS VALUES"
    " (1, 1, 'M1', 2, 'v1', 0, 0, 0, 'alt', 'alt', 1, 2, 3, 4, 5),"
    " (2, 1, 'M1', 2, 'v2', 0, 0, 1, 'alt', 'alt', 11, 12, 13, 14, 15),"
    " (3, 1, 'M2', 2, 'v1', 0, 0, 0, 'alt', 'alt', 21, 22, 23, 24, 25),"
    " (4, 1, 'M1', 2, 'dup', 0, 0, 0, 'alt', 'alt', 31, 32, 33, 34, 35),"
    " (5, 1, 'M1', 2, 'gone', 0, 0, 0, 'alt', 'alt', 41, 42, 43, 44, 45),"
    " (6, 1, 'M1', 2, 'twice', 0, 0, 0, 'alt', 'alt', 51, 52, 53, 54, 55),"
    " (7, 1, 'm1', 2, 'TWICE', 0, 0, 0, 'alt', 'alt', 61, 62, 63, 64, 65),"
    " (8, 1, 'M1', 2, 'nulls', 0, 0, 0, 'alt', 'alt', NULL, NULL, 73, NULL, NULL),"
    " (9, 1, 'M1', 2, 'blank', 0, 0, NULL, 'alt', 'alt', 81, 82, 83, 84, 85),"
    " (10, 1, 'M1', 2, 'x\") AND ((PRESET_DEFS.var_name)=\"v3', 0, 0, 0, 'alt', 'alt',"
    "  91, 92, 93, 94, 95),"
    " (11, 1, 'M1', 2, 'x\") OR ((PRESET_DEFS.var_name)=\"v3', 0, 0, 0, 'alt', 'alt',"
    "  96, 97, 98, 99, 100),"
    " (12, 1, 'M1', 2, 'say \"hi\"', 0, 0, 0, 'alt', 'alt', 101, 102, 103, 104, 105);";

// ID, part, machine_type, type, var_name, category_id, isBitArray,
// offset_or_bitno, text, page_name, abs_min, abs_max, min, max, pass.
const Rows kPublished = {
    "1|1|M1|2|v1|10|-1|0|Zone M1|Seite|1.0|2.0|3.0|4.0|5",
    "2|1|M1|2|v2|20|0|0|Zone M1|Seite|0.0|100.0|0.0|100.0|1",
    "3|1|M1|2|v2|30|-1|1|Zone M1|Seite|11.0|12.0|13.0|14.0|15",
    "4|1|M2|2|v1|40|0|0|Zone M2|Seite|21.0|22.0|23.0|24.0|25",
    "5|1|M1|2|dup|50|-1|0|Zone M1|Seite|31.0|32.0|33.0|34.0|35",
    "6|1|M1|2|dup|60|0|0|Zone M1|Seite|0.0|100.0|0.0|100.0|1",
    "7|1|M1|2|twice|70|-1|0|Zone M1|Seite|61.0|62.0|63.0|64.0|65",
    "8|1|M1|2|nulls|80|0|0|Zone M1|Seite|NULL|NULL|73.0|NULL|NULL",
    "9|1|M1|2|blank|90|-1|0|Zone M1|Seite|0.0|100.0|0.0|100.0|1",
    "10|1|M1|2|v3|100|0|0|Zone M1|Seite|0.0|100.0|0.0|100.0|1",
    "11|1|M1|2|say \"hi\"|110|0|0|Zone M1|Seite|101.0|102.0|103.0|104.0|105",
};

std::string PresetTable(const std::string& rows) {
    return std::string("CREATE TABLE PRESET_DEFS (") + kPresetColumns + ");" + rows;
}

// Machines M1 and M2 in the project; the unit is configured for M1 only, so
// the template's one M2 definition comes from its own text.
class WholeRun : public ::testing::Test {
  protected:
    void SetUp() override {
        if (ProjectFolder::BuiltProgram().empty())
            GTEST_SKIP() << "build/bin/Calvora_Config is not built";
        folder.CreateDatabase(kSourceDb, std::string(kSourceDefs) +
                                             "CREATE TABLE Source_PRESET_DEFS (" + kPresetColumns +
                                             ");" + kTemplateRows);
        sourceTime = AgeFile(folder.Host(kSourceDb));
    }

    void Standalone(const std::string& cfgLines = "") {
        folder.Write(kProgramIni,
                     "[Project]\r\nNumberOfMachines=2\r\nVWStudio=FALSE\r\n"
                     "[Machine1]\r\nMachineName=M1\r\n[Machine2]\r\nMachineName=M2\r\n");
        folder.Write(kCfg, "[Project]\r\nForMachine1=TRUE\r\nForMachine2=FALSE\r\n" + cfgLines);
        folder.CreateDatabase(kUnitDb, PresetTable(kMachineRows));
    }

    void ExpectPublished(const std::string& editedBy) {
        EXPECT_EQ(Records(folder, kUnitDb, "PRESET_DEFS"), kPublished);
        EXPECT_EQ(Records(folder, kSourceDb, "PRESET_DEFS"), kPublished);
        EXPECT_EQ(Indexes(folder, kUnitDb), Rows{});
        EXPECT_EQ(Indexes(folder, kSourceDb), Rows{});
        EXPECT_EQ(fs::last_write_time(folder.Host(kSourceDb)), sourceTime);
        EXPECT_EQ(EditedBy(folder), editedBy);
        EXPECT_FALSE(folder.Exists(kErrorLog)) << folder.Read(kErrorLog);
    }

    ProjectFolder folder;
    fs::file_time_type sourceTime;
};

TEST_F(WholeRun, SilentStartPublishesTheTakenOverTable) {
    Standalone();
    EXPECT_EQ(folder.Run({"/EXTERNAL=SILENT"}, kOffscreen, 60), exitcode::kClean);
    ExpectPublished("1.0.1 - Standalone");
}

// Windows editors save "Unicode" files as UTF-16 with a byte-order mark; a
// program INI file saved so names the same machines.
TEST_F(WholeRun, ProgramIniInUtf16IsReadAsWindowsReadsIt) {
    Standalone();
    std::string utf16 = "\xFF\xFE";
    for (char c : folder.Read(kProgramIni)) {
        utf16 += c;
        utf16 += '\0';
    }
    folder.Write(kProgramIni, utf16);
    EXPECT_EQ(folder.Run({"/EXTERNAL=SILENT"}, kOffscreen, 60), exitcode::kClean);
    ExpectPublished("1.0.1 - Standalone");
}

// A unit database that is a symbolic link to a file elsewhere stays a link:
// the file it names gets the renames and then the published table.
TEST_F(WholeRun, UnitDatabaseBehindALinkStaysALink) {
    Standalone();
    const fs::path elsewhere = folder.Root() / "elsewhere" / "Calvora.mdb";
    fs::create_directories(elsewhere.parent_path());
    fs::rename(folder.Host(kUnitDb), elsewhere);
    fs::create_symlink(elsewhere, folder.Host(kUnitDb));
    EXPECT_EQ(folder.Run({"/EXTERNAL=SILENT"}, kOffscreen, 60), exitcode::kClean);
    EXPECT_TRUE(fs::is_symlink(folder.Host(kUnitDb)));
    ExpectPublished("1.0.1 - Standalone");
}

// Started by hand, the run asks nothing when nothing fails, so it completes
// off screen without a click.
TEST_F(WholeRun, StandaloneStartPublishesTheTakenOverTable) {
    Standalone();
    EXPECT_EQ(folder.Run({}, kOffscreen, 60), exitcode::kClean);
    ExpectPublished("1.0.1 - Standalone");
}

// Integrated, the machines come from the TRX configuration, the valid ones
// from ValidMachines, and the values from the machine copy in the
// save-and-restore folder, which replaces the unit database first and itself
// stays as it was.
TEST_F(WholeRun, IntegratedStartTakesTheMachineCopysValues) {
    folder.Write(kTrxIni,
                 "[Common]\r\nSaveAndRestore=D:\\Backup\r\nNameM1=M1\r\nNameM2=M2\r\nNameM3=-\r\n");
    // Machines named here would be the wrong ones: only the TRX configuration
    // names them in an integrated start.
    folder.Write("D:\\Backup\\parameter\\program.ini",
                 "[Project]\r\nNumberOfMachines=1\r\n[Machine1]\r\nMachineName=M9\r\n");
    folder.Write(kCfg, "[Project]\r\nValidMachines=M1\r\n");
    folder.CreateDatabase(kMachineCopy, PresetTable(kMachineRows));
    folder.CreateDatabase(kUnitDb,
                          PresetTable("INSERT INTO PRESET_DEFS VALUES (1, 1, 'M1', 2, 'v1', 0, 0, "
                                      "0, 'alt', 'alt', 9, 9, 9, 9, 9);"));
    const std::string machineCopy = folder.Read(kMachineCopy);

    EXPECT_EQ(folder.Run({"/EXTERNAL=TRXCFG", "/LOGFILE=" + std::string(kLogFile)}, kOffscreen, 60),
              exitcode::kClean);
    ExpectPublished("1.0.1 - Integrated");
    EXPECT_FALSE(folder.Exists(kLogFile)) << folder.Read(kLogFile);
    EXPECT_TRUE(folder.Read(kMachineCopy) == machineCopy);
}

// An additional field that the regenerated table lacks ends the run before
// the workspace is published: the unit database keeps its values. Only the
// renaming that comes before the takeover has been at work in it: the
// lookup for "twice" ignores case and rewrote "TWICE".
TEST_F(WholeRun, MissingAdditionalFieldEndsTheRunWithoutPublishing) {
    Standalone("DataBaseAdditionalFields=extra\r\n");
    Rows before = Records(folder, kUnitDb, "PRESET_DEFS");
    before[6].replace(before[6].find("TWICE"), 5, "twice");

    EXPECT_EQ(folder.Run({"/EXTERNAL=SILENT"}, kOffscreen, 60), exitcode::kEndedByError);
    EXPECT_EQ(Records(folder, kUnitDb, "PRESET_DEFS"), before);
    EXPECT_EQ(folder.Query(kUnitDb, "SELECT name FROM sqlite_master"), Rows{"PRESET_DEFS"});
    EXPECT_NE(
        folder.Read(kErrorLog).find("demanded field \"EXTRA\"missing in machinecopy-database"),
        std::string::npos)
        << folder.Read(kErrorLog);
    EXPECT_EQ(EditedBy(folder), "(missing)");
}

// Without the unit's configuration file the run ends at the first look for
// it, in record generation: the fault goes to the service log, the workspace
// is not published and nothing is recorded.
TEST_F(WholeRun, MissingConfigurationFileEndsTheSilentRunWithItsMessage) {
    Standalone();
    fs::remove(folder.Host(kCfg));
    Rows before = Records(folder, kUnitDb, "PRESET_DEFS");

    EXPECT_EQ(folder.Run({"/EXTERNAL=SILENT"}, kOffscreen, 60), exitcode::kEndedByError);
    EXPECT_EQ(folder.Read("C:\\BrantorServicePack.log"),
              "! Fault Calvora_Config: File not found: \n\rC:\\PROJECT\\CALVORA\\CALVORA.CFG\r\n");
    EXPECT_EQ(Records(folder, kUnitDb, "PRESET_DEFS"), before);
    EXPECT_FALSE(folder.Exists(kCfg));
    EXPECT_FALSE(folder.Exists(kErrorLog)) << folder.Read(kErrorLog);
}

// The users know their project's files by the Windows paths the project
// uses: a damaged template is named so in the error log, the host file after it.
TEST_F(WholeRun, DamagedTemplateIsNamedByItsWindowsPathInTheErrorLog) {
    Standalone();
    folder.Write(kSourceDb, "no database at all, only some text to fill a header");

    EXPECT_EQ(folder.Run({"/EXTERNAL=SILENT"}, kOffscreen, 60), exitcode::kAfterFailures);
    const std::string named =
        std::string("'") + kSourceDb + "' (" + folder.Host(kSourceDb).string() + ")";
    EXPECT_NE(folder.Read(kErrorLog).find("(Nr. 3343) :Cannot open the database " + named),
              std::string::npos)
        << folder.Read(kErrorLog);
}

// A run that could not carry the machine's values over must not publish: one
// case for each way it can come to that. The run reports why and completes
// with exit code 1; the unit database keeps every byte and its time stamp.
struct Door {
    const char* name;
    void (*prepare)(const ProjectFolder&);
    bool lockUnit;  // another program holds the unit database for the whole run
    const char* reason;
};

void CopyAccessFile(const ProjectFolder& folder, const char* winPath, const char* fixture) {
    fs::copy_file(TestDataDir() / "access" / "heating" / fixture, folder.Host(winPath),
                  fs::copy_options::overwrite_existing);
    fs::permissions(folder.Host(winPath), fs::perms::owner_write, fs::perm_options::add);
}

// A table the run never reads, its one page made unreadable: only a check
// of the whole file notices.
void DamageSource(const ProjectFolder& folder) {
    const fs::path host = folder.Host(kSourceDb);
    ExecuteScript(host, "CREATE TABLE Filler (x TEXT); INSERT INTO Filler VALUES ('a'), ('b');");
    const long page = std::stol(QueryRows(host, "PRAGMA page_size")[0]);
    const long root =
        std::stol(QueryRows(host, "SELECT rootpage FROM sqlite_master WHERE name = 'Filler'")[0]);
    std::fstream file(host, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp((root - 1) * page + 3);  // the page's cell count
    file.write("\xff\xff", 2);
}

const Door kDoors[] = {
    {"SourceIsAnAccessFile",
     [](const ProjectFolder& f) { CopyAccessFile(f, kSourceDb, "Calvora_Source.mdb"); }, false,
     "the source database 'C:\\Project\\Calvora\\Calvora_Source.mdb' could not be opened "
     "whole"},
    {"UnitIsAnAccessFile",
     [](const ProjectFolder& f) { CopyAccessFile(f, kUnitDb, "Calvora.mdb"); }, false,
     "the values kept in the unit database could not be read"},
    {"UnitLockedByAnotherProgram", [](const ProjectFolder&) {}, true,
     "the values kept in the unit database could not be read"},
    {"DamagedWorkspace", DamageSource, false,
     "the source database 'C:\\Project\\Calvora\\Calvora_Source.mdb' could not be opened "
     "whole"},
    {"NoMachineFound",
     [](const ProjectFolder& f) {
         f.Write(kProgramIni,
                 "[Project]\r\nNumberOfMachines=-1\r\n[Machine1]\r\nMachineName=M1\r\n");
     },
     false, "no record was generated (no valid machine), while the unit database holds 12 records"},
};

class UnpublishableRun : public WholeRun, public ::testing::WithParamInterface<Door> {};

TEST_P(UnpublishableRun, LeavesTheUnitDatabaseByteForByte) {
    Standalone();
    GetParam().prepare(folder);
    const std::string before = folder.Read(kUnitDb);
    const fs::file_time_type unitTime = AgeFile(folder.Host(kUnitDb));
    {
        std::optional<HeldLock> lock;
        if (GetParam().lockUnit)
            lock.emplace(folder.Host(kUnitDb), HeldLock::Kind::Exclusive);
        EXPECT_EQ(folder.Run({"/EXTERNAL=SILENT"}, kOffscreen, 120), exitcode::kAfterFailures);
    }
    EXPECT_TRUE(folder.Read(kUnitDb) == before);
    EXPECT_EQ(fs::last_write_time(folder.Host(kUnitDb)), unitTime);
    EXPECT_NE(folder.Read(kServiceLog)
                  .find(std::string("The unit database was left unchanged: ") + GetParam().reason),
              std::string::npos)
        << folder.Read(kServiceLog);
}

INSTANTIATE_TEST_SUITE_P(Doors, UnpublishableRun, ::testing::ValuesIn(kDoors),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace calvora::test
