// The account of a run, through the real program and the presetdb tool: the
// backup kept before the unit database changes, the report naming what
// became of every tuned value, the summary line, and diff, history, restore
// and preview on what the runs left.
//
// One template and one machine copy show each line of the report: a tuned
// record kept; a template range narrowed after the machine was tuned; a
// template variable renamed (its tunings dropped, with their values); a
// name renamed from the studio kind's naming to the current one; a new
// template record; and a machine-copy name with a quote and a line break,
// which must neither break the report's lines nor its JSON.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include "errors/error_protocol.h"
#include "tests/e2e/run_checks.h"
#include "tests/presetdb/preset_project.h"
#include "tests/support/sqlite_file.h"

namespace calvora::test {
namespace {

namespace fs = std::filesystem;

const std::vector<std::string> kSilent{"/EXTERNAL=SILENT"};
constexpr const char* kHistory = "C:\\Project\\Calvora\\History";

const char* const kSourceDefs =
    "CREATE TABLE Source_DEFS (System TEXT(20), Part SHORT, Var_Name TEXT(100));"
    "INSERT INTO Source_DEFS VALUES ('VISIWIN32', 1, '###Var_Name');"
    "INSERT INTO Source_DEFS VALUES ('VISIWINSTUDIO', 1, '###Var_Name');"
    "INSERT INTO Source_DEFS VALUES ('VISIWIN32', 2, 'V32_###Var_Name');"
    "INSERT INTO Source_DEFS VALUES ('VISIWINSTUDIO', 2, 'Studio_###Var_Name');";

// ID, part, machine_type, type, var_name, category_id, isBitArray,
// offset_or_bitno, text, page_name, abs_min, abs_max, min, max, pass.
const char* const kTemplateRows =
    "INSERT INTO Source_PRESET_DEFS VALUES"
    " (1, 1, '###machine', 2, 'kept', 10, 0, 0, 'T', 'S', 0, 100, 0, 100, 1),"
    " (2, 1, '###machine', 2, 'narrow', 20, 0, 0, 'T', 'S', 10, 50, 10, 50, 1),"
    " (3, 1, '###machine', 2, 'renamed_new', 30, 0, 0, 'T', 'S', 0, 100, 0, 100, 1),"
    " (4, 2, '###machine', 2, 'kindvar', 40, 0, 0, 'T', 'S', 0, 100, 0, 100, 1),"
    " (5, 1, '###machine', 2, 'fresh', 50, 0, 0, 'T', 'S', 0, 100, 0, 100, 1);";

const char* const kMachineRows =
    "INSERT INTO PRESET_DEFS VALUES"
    " (1, 1, 'M1', 2, 'kept', 0, 0, 0, 'alt', 'alt', 1, 99, 3, 4, 5),"
    " (2, 1, 'M1', 2, 'narrow', 0, 0, 0, 'alt', 'alt', 0, 100, 5, 80, 1),"
    " (3, 1, 'M1', 2, 'renamed_old', 0, 0, 0, 'alt', 'alt', 7, 8, 9, 10, 11),"
    " (4, 2, 'M1', 2, 'Studio_kindvar', 0, 0, 0, 'alt', 'alt', 0, 100, 20, 30, 1),"
    " (5, 1, 'M1', 2, 'odd \"quote' || char(10) || 'line', 0, 0, 0, 'alt', 'alt',"
    "  1, 2, 3, 4, 5);";

// A definition whose part lies outside 1..50: record generation reports it
// and, let pass, goes on.
const char* const kBadPartRow =
    "INSERT INTO Source_PRESET_DEFS VALUES"
    " (6, 51, '###machine', 2, 'badpart', 60, 0, 0, 'T', 'S', 0, 100, 0, 100, 1);";

// The report of that run, less its first two lines (start time, exit code
// and backup follow them and are checked on their own).
const char* const kReportBody =
    "Published: yes\r\n"
    "Backup: @\r\n"
    "Machines: 2 (1 valid)\r\n"
    "Records: 5\r\n"
    "Renamed: 1\r\n"
    "Tuned values kept: 3\r\n"
    "Dropped: 2\r\n"
    "New records: 2\r\n"
    "Out of range: 1\r\n"
    "Failures: 0\r\n"
    "\r\n"
    "Machines (records generated):\r\n"
    "  \"M1\" valid, 5 records\r\n"
    "  \"M2\" not valid, 0 records\r\n"
    "\r\n"
    "Names renamed in the unit database (old -> new):\r\n"
    "  \"Studio_kindvar\" -> \"V32_kindvar\" (1 records)\r\n"
    "\r\n"
    "Dropped machine-copy records, their tuned values are not in the published table\r\n"
    "(abs_min, abs_max, min, max, pass):\r\n"
    "  \"M1\" \"renamed_old\" offset 0: 7, 8, 9, 10, 11\r\n"
    "  \"M1\" \"odd \\\"quote\\nline\" offset 0: 1, 2, 3, 4, 5\r\n"
    "\r\n"
    "New records, with the template's values:\r\n"
    "  \"M1\" \"renamed_new\" offset 0\r\n"
    "  \"M1\" \"fresh\" offset 0\r\n"
    "\r\n"
    "Taken-over min or max outside the template's abs_min..abs_max:\r\n"
    "  \"M1\" \"narrow\" offset 0: min 5, max 80, template range 10 .. 50\r\n"
    "\r\n"
    "Failures reported (number, procedure, description):\r\n";

fs::path ToolPath() {
    return BuiltBinDir() / "presetdb";
}

size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

class RunAccountTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (ProjectFolder::BuiltProgram().empty() || !fs::exists(ToolPath()))
            GTEST_SKIP() << "build/bin/Calvora_Config or presetdb is not built";
        folder.CreateDatabase(kSourceDb, std::string(kSourceDefs) +
                                             "CREATE TABLE Source_PRESET_DEFS (" + kPresetColumns +
                                             ");" + kTemplateRows);
        folder.Write(kProgramIni,
                     "[Project]\r\nNumberOfMachines=2\r\nVWStudio=FALSE\r\n"
                     "[Machine1]\r\nMachineName=M1\r\n[Machine2]\r\nMachineName=M2\r\n");
        folder.Write(kCfg, "[Project]\r\nForMachine1=TRUE\r\nForMachine2=FALSE\r\n");
        folder.CreateDatabase(kUnitDb, std::string("CREATE TABLE PRESET_DEFS (") + kPresetColumns +
                                           ");" + kMachineRows);
        program = folder.Host("C:\\Project\\Config\\Calvora_Config");
        fs::create_directories(program.parent_path());
        fs::copy_file(ProjectFolder::BuiltProgram(), program);
    }

    CapturedRun Run() { return RunCaptured(folder, program, kSilent); }
    CapturedRun Tool(const std::vector<std::string>& args) {
        return RunCaptured(folder, ToolPath(), args);
    }
    std::string Project() const { return folder.Host("C:\\Project").string(); }

    // The name of the run a summary line names ("Calvora.20261207-134501").
    static std::string RunName(const std::string& summary) {
        std::smatch m;
        EXPECT_TRUE(std::regex_search(summary, m,
                                      std::regex(R"(History\\(Calvora\.[0-9-]+)\.report\.txt)")))
            << summary;
        return m.size() > 1 ? m[1].str() : "";
    }

    ProjectFolder folder;
    fs::path program;
};

TEST_F(RunAccountTest, ReportNamesWhatBecameOfEveryTunedValue) {
    const std::string before = folder.Read(kUnitDb);
    CapturedRun run = Run();
    ASSERT_EQ(run.exitCode, exitcode::kClean) << run.out;
    const std::string name = RunName(run.out);
    EXPECT_EQ(run.out, "Calvora: 5 records, 3 tuned values kept, 2 dropped - report: " +
                           std::string(kHistory) + "\\" + name + ".report.txt\n");

    // The backup is the unit database as the run found it.
    EXPECT_TRUE(folder.Read(std::string(kHistory) + "\\" + name + ".mdb") == before);

    std::string report = folder.Read(std::string(kHistory) + "\\" + name + ".report.txt");
    std::string body = kReportBody;
    body.replace(body.find('@'), 1, name + ".mdb");
    ASSERT_NE(report.find("Exit code: 0\r\n"), std::string::npos) << report;
    EXPECT_EQ(report.substr(report.find("Published:")), body);
    EXPECT_TRUE(report.starts_with("Unit: Calvora\r\nStarted: ")) << report;

    std::string json = folder.Read(std::string(kHistory) + "\\" + name + ".report.json");
    EXPECT_NE(json.find("{\"machine_type\": \"M1\", \"var_name\": \"odd \\\"quote\\nline\", "
                        "\"offset_or_bitno\": 0, \"abs_min\": 1, \"abs_max\": 2, \"min\": 3, "
                        "\"max\": 4, \"pass\": 5}"),
              std::string::npos)
        << json;
    EXPECT_NE(json.find("\"droppedCount\": 2,"), std::string::npos);
    EXPECT_TRUE(json.ends_with("]\n}\n")) << json;
}

// A definition repeating an earlier one's keys gives a second record that no
// machine-copy record reaches (the takeover serves the first): the report
// lists it among the new records, which keep the template's values.
TEST_F(RunAccountTest, ARecordRepeatingAnotherOnesKeysIsNew) {
    ExecuteScript(folder.Host(kSourceDb),
                  "INSERT INTO Source_PRESET_DEFS VALUES"
                  " (6, 1, '###machine', 2, 'KEPT', 60, 0, 0, 'T', 'S', 0, 100, 0, 100, 1)");
    CapturedRun run = Run();
    ASSERT_EQ(run.exitCode, exitcode::kClean) << run.out;
    const std::string report =
        folder.Read(std::string(kHistory) + "\\" + RunName(run.out) + ".report.txt");
    EXPECT_NE(report.find("Records: 6\r\n"), std::string::npos) << report;
    EXPECT_NE(report.find("Tuned values kept: 3\r\n"), std::string::npos) << report;
    EXPECT_NE(report.find("New records: 3\r\n"), std::string::npos) << report;
    EXPECT_NE(report.find("  \"M1\" \"KEPT\" offset 0\r\n"), std::string::npos) << report;
}

// The records only in the backup are the dropped ones and the old names of
// the renamed; those only in the published table the new ones and the new
// names: diff and the report agree.
TEST_F(RunAccountTest, DiffOfTheBackupAgreesWithTheReport) {
    CapturedRun run = Run();
    ASSERT_EQ(run.exitCode, exitcode::kClean);
    const std::string backup =
        folder.Host(std::string(kHistory) + "\\" + RunName(run.out) + ".mdb");
    CapturedRun diff = Tool({"diff", backup, folder.Host(kUnitDb).string(), "--json"});
    EXPECT_EQ(diff.exitCode, 1) << diff.out;
    const std::string onlyOld = "{\"change\": \"only in OLD\", \"machine_type\": \"M1\", ";
    const std::string onlyNew = "{\"change\": \"only in NEW\", \"machine_type\": \"M1\", ";
    EXPECT_EQ(Count(diff.out, onlyOld), 3u) << diff.out;
    EXPECT_EQ(Count(diff.out, onlyNew), 3u) << diff.out;
    for (const char* name : {"renamed_old", "odd \\\"quote\\nline", "Studio_kindvar"})
        EXPECT_NE(diff.out.find(onlyOld + "\"var_name\": \"" + name + "\""), std::string::npos)
            << name;
    for (const char* name : {"renamed_new", "fresh", "V32_kindvar"})
        EXPECT_NE(diff.out.find(onlyNew + "\"var_name\": \"" + name + "\""), std::string::npos)
            << name;
    EXPECT_NE(diff.out.find("{\"change\": \"changed\", \"machine_type\": \"M1\", \"var_name\": "
                            "\"kept\", \"offset_or_bitno\": 0, \"field\": \"category_id\", "
                            "\"old\": 0, \"new\": 10}"),
              std::string::npos)
        << diff.out;

    const std::string published = folder.Host(kUnitDb).string();
    EXPECT_EQ(Tool({"diff", published, published}).exitCode, 0);
    EXPECT_EQ(Tool({"diff", published, folder.Host(kCfg).string()}).exitCode, 2);
    EXPECT_EQ(Tool({"diff", published, published, "--key", "no_such_field"}).exitCode, 2);
}

// Two runs are listed newest first; restoring the first one's backup brings
// the database before it back byte for byte, and keeps the one it replaces,
// so the restore itself can be undone.
TEST_F(RunAccountTest, HistoryListsTheRunsAndRestoreUndoesThem) {
    const std::string original = folder.Read(kUnitDb);
    CapturedRun first = Run();
    ASSERT_EQ(first.exitCode, exitcode::kClean);
    const std::string afterFirst = folder.Read(kUnitDb);
    CapturedRun second = Run();
    ASSERT_EQ(second.exitCode, exitcode::kClean);
    const std::string afterSecond = folder.Read(kUnitDb);
    // Runs started in the same second still get names of their own.
    ASSERT_NE(RunName(first.out), RunName(second.out));
    EXPECT_TRUE(folder.Read(std::string(kHistory) + "\\" + RunName(second.out) + ".mdb") ==
                afterFirst);

    CapturedRun history = Tool({"history", Project(), "--csv"});
    EXPECT_EQ(history.exitCode, 0);
    const std::string firstStamp = RunName(first.out).substr(8);
    const std::string secondStamp = RunName(second.out).substr(8);
    std::regex rows(
        "run,time,mode,exit_code,records,tuned,dropped,new,out_of_range,failures,"
        "published,backup\r\n" +
        secondStamp + ",[0-9: -]+,silent,0,5,5,0,0,1,0,yes,yes\r\n" + firstStamp +
        ",[0-9: -]+,silent,0,5,3,2,2,1,0,yes,yes\r\n");
    EXPECT_TRUE(std::regex_match(history.out, rows)) << history.out;

    CapturedRun restore = Tool({"restore", Project(), firstStamp});
    EXPECT_EQ(restore.exitCode, 0) << restore.out;
    EXPECT_TRUE(folder.Read(kUnitDb) == original);

    // Undo: the newest backup is now the database the restore replaced.
    EXPECT_EQ(Tool({"restore", Project()}).exitCode, 0);
    EXPECT_TRUE(folder.Read(kUnitDb) == afterSecond);
    history = Tool({"history", Project()});
    EXPECT_EQ(Count(history.out, "\trestore\t"), 2u) << history.out;
}

// A backup that is damaged, or no database at all, is refused and the unit
// database stays as it is.
TEST_F(RunAccountTest, RestoreRefusesADamagedBackup) {
    // Enough records that the file has pages beyond the first ones to lose.
    std::string rows = "INSERT INTO PRESET_DEFS VALUES (1, 1, 'M1', 2, 'v', 0, 0, 0, '";
    rows += std::string(200, 'x') + "', 'p', 0, 1, 0, 1, 1);";
    std::string script = std::string("CREATE TABLE PRESET_DEFS (") + kPresetColumns + ");";
    for (int i = 0; i < 200; ++i)
        script += rows;
    const std::string damaged = std::string(kHistory) + "\\Calvora.20260101-000000.mdb";
    folder.CreateDatabase(damaged, script);
    std::string bytes = folder.Read(damaged);
    for (const std::string& content :
         {bytes.substr(0, bytes.size() / 2), std::string("not a db")}) {
        folder.Write(damaged, content);
        const std::string unit = folder.Read(kUnitDb);
        EXPECT_EQ(Tool({"restore", Project(), "20260101-000000"}).exitCode, 2);
        EXPECT_TRUE(folder.Read(kUnitDb) == unit);
    }
    EXPECT_EQ(Tool({"restore", Project(), "20250101-000000"}).exitCode, 2);
}

// A history folder that cannot be made is reported before the unit database
// changes; the silent run goes on, as the protocol has it, and says that no
// report was written.
TEST_F(RunAccountTest, HistoryFolderThatCannotBeMadeIsReported) {
    folder.Write(kHistory, "a file where the folder belongs");
    CapturedRun run = Run();
    EXPECT_EQ(run.exitCode, exitcode::kAfterFailures);
    EXPECT_EQ(run.out, "Calvora: 5 records, 3 tuned values kept, 2 dropped - no report written\n");
    EXPECT_NE(folder.Read(kErrorLog).find("KeepUnitDatabase"), std::string::npos)
        << folder.Read(kErrorLog);
}

// A failure let pass is in the report with its number and procedure, and
// the run's exit code is 1.
TEST_F(RunAccountTest, ResumedFailureIsInTheReport) {
    folder.CreateDatabase(kSourceDb, std::string(kSourceDefs) +
                                         "CREATE TABLE Source_PRESET_DEFS (" + kPresetColumns +
                                         ");" + kTemplateRows + kBadPartRow);
    CapturedRun run = Run();
    EXPECT_EQ(run.exitCode, exitcode::kAfterFailures);
    std::string report =
        folder.Read(std::string(kHistory) + "\\" + RunName(run.out) + ".report.txt");
    EXPECT_NE(report.find("Exit code: 1\r\n"), std::string::npos) << report;
    EXPECT_NE(report.find("Failures: 1\r\n"), std::string::npos) << report;
    EXPECT_NE(report.find("\r\n  9 \"CreateRecordSets\" \"Subscript out of range"),
              std::string::npos)
        << report;
}

// In an integrated start the backup is the unit database as it was before
// the machine copy replaced it: the tunings it held are what would be lost.
TEST_F(RunAccountTest, IntegratedBackupIsTheDatabaseBeforeTheMachineCopy) {
    folder.Write(kTrxIni, "[Common]\r\nSaveAndRestore=D:\\Backup\r\nNameM1=M1\r\n");
    folder.Write("D:\\Backup\\parameter\\program.ini", "[Project]\r\nVWStudio=FALSE\r\n");
    folder.Write(kCfg, "[Project]\r\nValidMachines=M1\r\n");
    folder.CreateDatabase(kMachineCopy, std::string("CREATE TABLE PRESET_DEFS (") + kPresetColumns +
                                            ");" + kMachineRows);
    // The database in use differs from the machine copy.
    fs::remove(folder.Host(kUnitDb));
    folder.CreateDatabase(kUnitDb, std::string("CREATE TABLE PRESET_DEFS (") + kPresetColumns +
                                       ");INSERT INTO PRESET_DEFS VALUES (1, 1, 'M1', 2, 'kept', "
                                       "0, 0, 0, 'alt', 'alt', 9, 9, 9, 9, 9);");
    const std::string before = folder.Read(kUnitDb);
    ASSERT_FALSE(before == folder.Read(kMachineCopy));
    CapturedRun run = RunCaptured(folder, program, {"/EXTERNAL=TRXCFG"});
    ASSERT_EQ(run.exitCode, exitcode::kClean) << run.out;
    const std::string name = RunName(run.out);
    EXPECT_TRUE(folder.Read(std::string(kHistory) + "\\" + name + ".mdb") == before);
    EXPECT_NE(folder.Read(std::string(kHistory) + "\\" + name + ".report.txt")
                  .find("Mode: integrated\r\n"),
              std::string::npos);
}

// [History] Keep= of the unit's configuration file: the newest runs stay.
TEST_F(RunAccountTest, KeepSetsHowManyRunsStay) {
    folder.Write(kCfg,
                 "[Project]\r\nForMachine1=TRUE\r\nForMachine2=FALSE\r\n"
                 "[History]\r\nKeep=2\r\n");
    std::vector<std::string> names;
    for (int i = 0; i < 3; ++i) {
        CapturedRun run = Run();
        ASSERT_EQ(run.exitCode, exitcode::kClean) << run.out;
        names.push_back(RunName(run.out));
    }
    CapturedRun history = Tool({"history", Project()});
    EXPECT_EQ(Count(history.out, "\n"), 3u) << history.out;
    EXPECT_FALSE(folder.Exists(std::string(kHistory) + "\\" + names[0] + ".mdb"));
    EXPECT_FALSE(folder.Exists(std::string(kHistory) + "\\" + names[0] + ".report.txt"));
    EXPECT_TRUE(folder.Exists(std::string(kHistory) + "\\" + names[1] + ".mdb"));
    EXPECT_TRUE(folder.Exists(std::string(kHistory) + "\\" + names[2] + ".mdb"));
}

struct FileState {
    std::string content;
    int64_t modified;
    int64_t accessed;
    bool operator==(const FileState&) const = default;
};

// Every file and folder below root: content, modification and access time.
std::map<std::string, FileState> Snapshot(const fs::path& root) {
    std::map<std::string, FileState> files;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
        struct stat st {};
        EXPECT_EQ(::lstat(entry.path().c_str(), &st), 0);
        FileState state{"", st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec,
                        st.st_atim.tv_sec * 1000000000LL + st.st_atim.tv_nsec};
        if (entry.is_regular_file()) {
            std::ifstream in(entry.path(), std::ios::binary);
            std::ostringstream bytes;
            bytes << in.rdbuf();
            state.content = bytes.str();
        }
        files[entry.path().string()] = state;
    }
    return files;
}

// The report as the preview prints it, without the lines that name the
// run's time.
std::string WithoutTimes(std::string report) {
    std::erase(report, '\r');
    for (const char* key : {"Started: ", "Backup: "}) {
        size_t at = report.find(key);
        if (at != std::string::npos)
            report.erase(at, report.find('\n', at) + 1 - at);
    }
    return report;
}

// The preview runs the real program on a copy: the demo project and every
// file beside it (the service log's drive included) keep their contents and
// time stamps, and what it prints is the report a real run then writes.
TEST(Preview, LeavesTheDemoAsItIsAndPrintsTheReportOfARealRun) {
    const fs::path demo = BuiltBinDir().parent_path() / "demo";
    if (!fs::exists(demo / "Config" / "Calvora_Config") || !fs::exists(ToolPath()))
        GTEST_SKIP() << "the demo project or presetdb is not built";
    ProjectFolder folder;
    const fs::path project = folder.Host("C:\\demo");
    fs::copy(demo, project, fs::copy_options::recursive);
    // A first look settles the access times that reading itself moves.
    Snapshot(folder.Root());
    const std::map<std::string, FileState> before = Snapshot(folder.Root());

    CapturedRun preview = RunCaptured(folder, ToolPath(), {"preview", project.string()});
    EXPECT_EQ(preview.exitCode, 0) << preview.out;
    EXPECT_TRUE(Snapshot(folder.Root()) == before);

    CapturedRun real =
        RunCaptured(folder, project / "Config" / "Calvora_Config", {"/EXTERNAL=SILENT"});
    EXPECT_EQ(real.exitCode, 0) << real.out;
    std::vector<fs::path> reports;
    for (const fs::directory_entry& entry : fs::directory_iterator(project / "Calvora" / "History"))
        if (entry.path().string().ends_with(".report.txt"))
            reports.push_back(entry.path());
    ASSERT_EQ(reports.size(), 1u);
    std::ifstream in(reports[0], std::ios::binary);
    std::ostringstream written;
    written << in.rdbuf();
    EXPECT_NE(preview.out.find("Tuned values kept: 20\n"), std::string::npos) << preview.out;
    EXPECT_EQ(WithoutTimes(preview.out), WithoutTimes(written.str()));
}

// An integrated preview reads the save-and-restore folder where the real run
// reads it, also on the project's drive outside the project.
TEST_F(RunAccountTest, IntegratedPreviewChangesNothingAndShowsTheRealReport) {
    folder.Write(kTrxIni, "[Common]\r\nSaveAndRestore=C:\\Backup\r\nNameM1=M1\r\n");
    folder.Write("C:\\Backup\\parameter\\program.ini", "[Project]\r\nVWStudio=FALSE\r\n");
    folder.Write(kCfg, "[Project]\r\nValidMachines=M1\r\n");
    folder.CreateDatabase(
        "C:\\Backup\\Calvora\\Calvora.mdb",
        std::string("CREATE TABLE PRESET_DEFS (") + kPresetColumns + ");" + kMachineRows);
    fs::remove(folder.Host(kUnitDb));
    folder.CreateDatabase(kUnitDb,
                          std::string("CREATE TABLE PRESET_DEFS (") + kPresetColumns + ");");
    const std::vector<std::string> args = {"/EXTERNAL=TRXCFG", "/LOGFILE=C:\\log\\errors.txt"};
    fs::create_directories(folder.Host("C:\\log"));
    Snapshot(folder.Root());
    const std::map<std::string, FileState> before = Snapshot(folder.Root());

    std::vector<std::string> previewArgs = {"preview", Project()};
    previewArgs.insert(previewArgs.end(), args.begin(), args.end());
    CapturedRun preview = Tool(previewArgs);
    const std::map<std::string, FileState> after = Snapshot(folder.Root());
    for (const auto& [path, state] : after)
        EXPECT_TRUE(before.contains(path) && before.at(path) == state) << path;
    EXPECT_EQ(after.size(), before.size());

    CapturedRun real = RunCaptured(folder, program, args);
    EXPECT_EQ(preview.exitCode, real.exitCode) << preview.out;
    std::string report =
        folder.Read(std::string(kHistory) + "\\" + RunName(real.out) + ".report.txt");
    EXPECT_NE(preview.out.find("Tuned values kept: 3\n"), std::string::npos) << preview.out;
    EXPECT_EQ(WithoutTimes(preview.out), WithoutTimes(report));
}

}  // namespace
}  // namespace calvora::test
