// The whole program at the limit of its 16-bit record numbers: three machines
// times 10,922 definitions give 32,766 generated records, and the unit
// database holds as many, all matching, so every record is renamed and takes
// values over. The silent run of build/bin/Calvora_Config on that project is
// timed and compared with what SQLite alone needs to bulk-insert the same
// 32,766 records into an empty table. Target: the whole run within 5 times.
// A second run on the published result is timed too: there every name is
// already in the current naming, as after any earlier run of the project.
// The SQLite statements a run must execute are timed alone as well: no run
// can come nearer the bulk insert than they do.
//
// Every time is the median of five rounds, each on a fresh copy of the
// project, so that one slow moment of a shared machine does not decide.
// The peak memory (resident set) of each run is reported beside its time;
// target: under 200 MiB.
//
// Each run keeps a backup and writes a report; their cost is measured on
// their own as well (see account_cost.h). Targets: together no more than
// 30% of the silent run, and the report of 32,766 dropped records in under
// a second.
//
//   build/bin/program_bench [--keep] [path/to/Calvora_Config]
//
// --keep leaves the project folder in place (its path is printed), so that a
// profiler can run the program on it again.
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/account_cost.h"
#include "bench/sqlite_read.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kMachines = 3;
constexpr int kRounds = 5;
constexpr int kDefinitions = 10922;
constexpr const char* kColumns =
    "ID LONG, part SHORT, machine_type TEXT(50), type SHORT, var_name TEXT(100), "
    "category_id SHORT, isBitArray BIT, offset_or_bitno LONG, text TEXT(255), "
    "page_name TEXT(50), abs_min DOUBLE, abs_max DOUBLE, min DOUBLE, max DOUBLE, pass SHORT";

void Check(int rc, sqlite3* db, const char* what) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE) {
        std::fprintf(stderr, "%s: %s\n", what, sqlite3_errmsg(db));
        std::exit(1);
    }
}

void Exec(sqlite3* db, const std::string& sql) {
    Check(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), db, sql.c_str());
}

void CreateDatabase(const fs::path& file, const std::string& script) {
    fs::create_directories(file.parent_path());
    sqlite3* db = nullptr;
    Check(sqlite3_open(file.c_str(), &db), db, "open");
    Exec(db, "BEGIN;" + script + ";COMMIT;");
    sqlite3_close(db);
}

void WriteFile(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
}

std::string Definitions(const std::string& select) {
    return "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < " +
           std::to_string(kDefinitions) + ") " + select;
}

void WriteProject(const fs::path& driveC) {
    fs::path project = driveC / "Project";
    std::string programIni = "[Project]\r\nNumberOfMachines=3\r\n";
    std::string cfg = "[Project]\r\n";
    for (int m = 1; m <= kMachines; ++m) {
        programIni +=
            "[Machine" + std::to_string(m) + "]\r\nMachineName=M" + std::to_string(m) + "\r\n";
        cfg += "ForMachine" + std::to_string(m) + "=TRUE\r\n";
    }
    WriteFile(project / "parameter" / "Program.ini", programIni);
    WriteFile(project / "Calvora" / "Calvora.cfg", cfg);
    CreateDatabase(
        project / "Calvora" / "Calvora_Source.mdb",
        "CREATE TABLE Source_DEFS (System TEXT(20), Part SHORT, Var_Name TEXT(100));"
        "INSERT INTO Source_DEFS VALUES ('VISIWIN32', 1, 'W_###machine_###Var_Name');"
        "INSERT INTO Source_DEFS VALUES ('VISIWINSTUDIO', 1, 'S_###machine_###Var_Name');"
        "CREATE TABLE Source_PRESET_DEFS (" +
            std::string(kColumns) + ");" +
            Definitions("INSERT INTO Source_PRESET_DEFS SELECT x, 1, '###machine', 1, "
                        "'var' || x, 2, 0, x, 'text of ###machine ' || x, 'page', "
                        "0, 100, 1, 99, 3 FROM c;"));
    // The unit database in the other project kind's naming: every generated
    // var_name renames one record there, which the takeover then finds.
    std::string unit = "CREATE TABLE PRESET_DEFS (" + std::string(kColumns) + ");";
    for (int m = 1; m <= kMachines; ++m) {
        const std::string machine = std::string("M").append(std::to_string(m));
        unit += Definitions("INSERT INTO PRESET_DEFS SELECT x + " +
                            std::to_string((m - 1) * kDefinitions) + ", 1, '" + machine +
                            "', 1, 'S_" + machine +
                            "_var' || x, 2, 0, x, 'old', 'page', x, 100, "
                            "1, 99, 3 FROM c;");
    }
    CreateDatabase(project / "Calvora" / "Calvora.mdb", unit);
}

struct RunResult {
    double seconds = 0;
    long peakKiB = 0;  // the program's peak resident set
};

RunResult RunProgram(const fs::path& program, const fs::path& root) {
    fs::path config = root / "c" / "Project" / "Config";
    fs::create_directories(config);
    fs::copy_file(program, config / "Calvora_Config", fs::copy_options::overwrite_existing);
    std::string exe = (config / "Calvora_Config").string();
    std::string drives = "CONFIG_EXE_DRIVES=C:=" + (root / "c").string();
    std::string home = "HOME=" + root.string();
    std::vector<char*> envp = {drives.data(), home.data(),
                               const_cast<char*>("QT_QPA_PLATFORM=offscreen"), nullptr};
    std::string silent = "/EXTERNAL=SILENT";
    std::vector<char*> argv = {exe.data(), silent.data(), nullptr};

    auto start = Clock::now();
    pid_t pid = fork();
    if (pid == 0) {
        if (chdir(config.c_str()) != 0)
            _exit(127);
        execve(exe.c_str(), argv.data(), envp.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    RunResult result{std::chrono::duration<double>(Clock::now() - start).count(), usage.ru_maxrss};
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "the program ended with status %d\n", status);
        std::exit(1);
    }
    return result;
}

// The same records, as generation makes them, inserted by SQLite alone.
double BulkInsert(const fs::path& file) {
    auto start = Clock::now();
    sqlite3* db = nullptr;
    Check(sqlite3_open(file.c_str(), &db), db, "open");
    Exec(db, "CREATE TABLE PRESET_DEFS (" + std::string(kColumns) + ")");
    Exec(db, "BEGIN");
    sqlite3_stmt* stmt = nullptr;
    Check(sqlite3_prepare_v2(db,
                             "INSERT INTO PRESET_DEFS VALUES (?, 1, ?, 1, ?, 2, 0, ?, ?, 'page', "
                             "?, 100, 1, 99, 3)",
                             -1, &stmt, nullptr),
          db, "prepare");
    int id = 1;
    for (int m = 1; m <= kMachines; ++m) {
        const std::string machine = std::string("M").append(std::to_string(m));
        for (int x = 1; x <= kDefinitions; ++x) {
            std::string varName = "W_" + machine + "_var" + std::to_string(x);
            std::string text = "text of " + machine + " " + std::to_string(x);
            sqlite3_bind_int(stmt, 1, id++);
            sqlite3_bind_text(stmt, 2, machine.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(stmt, 3, varName.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_int(stmt, 4, x);
            sqlite3_bind_text(stmt, 5, text.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_double(stmt, 6, x);
            Check(sqlite3_step(stmt), db, "insert");
            sqlite3_reset(stmt);
        }
    }
    sqlite3_finalize(stmt);
    Exec(db, "COMMIT");
    sqlite3_close(db);
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Reads every column of every row the statement selects, as any reader must.
void ReadAll(sqlite3* db, const char* sql) {
    sqlite3_stmt* stmt = nullptr;
    Check(sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr), db, sql);
    const int64_t sum = ReadEveryValue(stmt);
    sqlite3_finalize(stmt);
    if (sum == 0)
        std::fprintf(stderr, "%s read nothing\n", sql);
}

// The SQLite work a run at the limit cannot do without, done in C with
// nothing else: the backup copy, the integrity check of the workspace, the
// template read (stored in ID order, so read without a sort), the unit
// database's names read and every one renamed (one UPDATE in one
// transaction), the unit database read whole, the table rebuilt with one
// prepared INSERT, the second integrity check and the publishing copy. The
// whole run can come no nearer the bulk insert than this, whatever the
// program does around it.
double RequiredSqliteWork(const fs::path& calvora, const fs::path& work) {
    fs::create_directories(work);
    const fs::path source = work / "source.db";
    const fs::path unit = work / "unit.db";
    fs::copy_file(calvora / "Calvora_Source.mdb", source, fs::copy_options::overwrite_existing);
    fs::copy_file(calvora / "Calvora.mdb", unit, fs::copy_options::overwrite_existing);
    auto open = [](const fs::path& file) {
        sqlite3* db = nullptr;
        Check(sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX,
                              nullptr),
              db, "open");
        return db;
    };
    auto start = Clock::now();
    fs::copy_file(unit, work / "backup.db", fs::copy_options::overwrite_existing);
    sqlite3* src = open(source);
    ReadAll(src, "PRAGMA integrity_check");
    ReadAll(src, "SELECT * FROM Source_PRESET_DEFS");
    sqlite3* db = open(unit);
    std::vector<std::pair<int64_t, std::string>> names;
    sqlite3_stmt* stmt = nullptr;
    Check(sqlite3_prepare_v2(db, "SELECT rowid, var_name FROM PRESET_DEFS", -1, &stmt, nullptr), db,
          "names");
    while (sqlite3_step(stmt) == SQLITE_ROW)
        names.emplace_back(sqlite3_column_int64(stmt, 0),
                           reinterpret_cast<const char*>(sqlite3_column_text(stmt, 1)));
    sqlite3_finalize(stmt);
    // Every record renamed by one UPDATE that asks for each record's new name
    // by its rowid, as the program writes its renames.
    for (auto& [rowid, name] : names)
        name[0] = 'W';
    auto newName = [](sqlite3_context* context, int, sqlite3_value** args) {
        const auto* renamed = static_cast<const std::vector<std::pair<int64_t, std::string>>*>(
            sqlite3_user_data(context));
        const int64_t rowid = sqlite3_value_int64(args[0]);
        const auto at = std::lower_bound(
            renamed->begin(), renamed->end(), rowid,
            [](const std::pair<int64_t, std::string>& e, int64_t r) { return e.first < r; });
        if (at == renamed->end() || at->first != rowid)
            sqlite3_result_null(context);
        else
            sqlite3_result_text(context, at->second.data(), static_cast<int>(at->second.size()),
                                SQLITE_STATIC);
    };
    std::sort(names.begin(), names.end());
    Check(sqlite3_create_function_v2(db, "new_name", 1, SQLITE_UTF8, &names, newName, nullptr,
                                     nullptr, nullptr),
          db, "function");
    Exec(db,
         "BEGIN; UPDATE PRESET_DEFS SET var_name = new_name(rowid) WHERE new_name(rowid) "
         "IS NOT NULL");
    Exec(db, "COMMIT");
    ReadAll(db, "SELECT * FROM PRESET_DEFS");
    sqlite3_close(db);
    Exec(src, "BEGIN; CREATE TABLE PRESET_DEFS (" + std::string(kColumns) + ")");
    Check(sqlite3_prepare_v2(src,
                             "INSERT INTO PRESET_DEFS VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, "
                             "?10, ?11, ?12, ?13, ?14, ?15)",
                             -1, &stmt, nullptr),
          src, "insert");
    int id = 1;
    for (int m = 1; m <= kMachines; ++m) {
        const std::string machine = std::string("M").append(std::to_string(m));
        for (int x = 1; x <= kDefinitions; ++x) {
            const std::string varName = "W_" + machine + "_var" + std::to_string(x);
            const std::string text = "text of " + machine + " " + std::to_string(x);
            const int ints[] = {id++, 1, 0, 1, 0, 2, 0, x, 0, 0, 0, 0, 0, 0, 3};
            for (int i = 0; i < 15; ++i)
                sqlite3_bind_int(stmt, i + 1, ints[i]);
            sqlite3_bind_text(stmt, 3, machine.data(), -1, SQLITE_STATIC);
            sqlite3_bind_text(stmt, 5, varName.data(), -1, SQLITE_STATIC);
            sqlite3_bind_text(stmt, 9, text.data(), -1, SQLITE_STATIC);
            sqlite3_bind_text(stmt, 10, "page", -1, SQLITE_STATIC);
            sqlite3_bind_double(stmt, 11, x);
            sqlite3_bind_double(stmt, 12, 100);
            sqlite3_bind_double(stmt, 13, 1);
            sqlite3_bind_double(stmt, 14, 99);
            Check(sqlite3_step(stmt), src, "insert");
            sqlite3_reset(stmt);
        }
    }
    sqlite3_finalize(stmt);
    Exec(src, "COMMIT");
    ReadAll(src, "PRAGMA integrity_check");
    sqlite3_close(src);
    fs::copy_file(source, work / "published.db", fs::copy_options::overwrite_existing);
    fs::rename(work / "published.db", unit);
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double SecondsOf(double seconds) {
    return seconds;
}

double SecondsOf(const RunResult& run) {
    return run.seconds;
}

// The middle one of an odd number of measurements, by their seconds.
template <class T>
T Median(std::vector<T> values) {
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end(),
                     [](const T& a, const T& b) { return SecondsOf(a) < SecondsOf(b); });
    return values[values.size() / 2];
}

// Each run's seconds, for a reader to see how far they spread.
std::string Seconds(const std::vector<RunResult>& runs) {
    std::string text;
    for (const RunResult& run : runs) {
        char one[16];
        std::snprintf(one, sizeof one, "%s%.3f", text.empty() ? "" : " ", run.seconds);
        text += one;
    }
    return text;
}

int CountTakenOver(const fs::path& unit) {
    sqlite3* db = nullptr;
    Check(sqlite3_open(unit.c_str(), &db), db, "open");
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, "SELECT COUNT(*) FROM PRESET_DEFS WHERE abs_min = offset_or_bitno", -1,
                       &stmt, nullptr);
    sqlite3_step(stmt);
    int count = sqlite3_column_int(stmt, 0);
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return count;
}

}  // namespace

int main(int argc, char** argv) {
    int arg = 1;
    const bool keep = argc > arg && std::string(argv[arg]) == "--keep";
    if (keep)
        ++arg;
    fs::path program = argc > arg
                           ? fs::path(argv[arg])
                           : fs::read_symlink("/proc/self/exe").parent_path() / "Calvora_Config";
    if (!fs::exists(program)) {
        std::fprintf(stderr, "program not found: %s\n", program.c_str());
        return 1;
    }
    fs::path root = fs::temp_directory_path() / ("calvora-bench-" + std::to_string(getpid()));
    fs::remove_all(root);
    WriteProject(root / "pristine");

    // Each measurement is taken kRounds times, its median reported: on a
    // shared machine a single run can take half as long again.
    std::vector<double> required, inserts;
    std::vector<RunResult> runs, reruns;
    int takenOver = 0;
    for (int round = 0; round < kRounds; ++round) {
        fs::remove_all(root / "c");
        fs::copy(root / "pristine", root / "c", fs::copy_options::recursive);
        required.push_back(RequiredSqliteWork(root / "c" / "Project" / "Calvora", root / "floor"));
        runs.push_back(RunProgram(program, root));
        takenOver = CountTakenOver(root / "c" / "Project" / "Calvora" / "Calvora.mdb");
        reruns.push_back(RunProgram(program, root));
        fs::remove(root / "bulk_insert.db");
        inserts.push_back(BulkInsert(root / "bulk_insert.db"));
    }
    const RunResult run = Median(runs);
    const RunResult rerun = Median(reruns);
    const double insert = Median(inserts);
    const double sqliteAlone = Median(required);
    const AccountCost account = MeasureAccount(root / "c" / "Project" / "Calvora" / "Calvora.mdb",
                                               root / "account", kMachines * kDefinitions);
    fs::remove_all(root);

    std::printf("records generated:            %d (%d machines x %d definitions)\n",
                kMachines * kDefinitions, kMachines, kDefinitions);
    std::printf("records renamed and taken over: %d\n", takenOver);
    std::printf("medians of %d rounds\n", kRounds);
    std::printf("whole program run (silent):   %.3f s, peak memory %.1f MiB (rounds: %s)\n",
                run.seconds, run.peakKiB / 1024.0, Seconds(runs).c_str());
    std::printf("second run, nothing to rename: %.3f s, peak memory %.1f MiB\n", rerun.seconds,
                rerun.peakKiB / 1024.0);
    std::printf("SQLite bulk insert, same rows: %.3f s\n", insert);
    std::printf("ratio: %.1fx (target: within 5x) %s\n", run.seconds / insert,
                run.seconds <= 5 * insert ? "met" : "NOT met");
    std::printf("SQLite work a run cannot do without, alone: %.3f s (%.1fx the bulk insert)\n",
                sqliteAlone, sqliteAlone / insert);
    std::printf("peak memory: target under 200 MiB %s\n",
                run.peakKiB < 200 * 1024 && rerun.peakKiB < 200 * 1024 ? "met" : "NOT met");
    const double accountSeconds = account.backupSeconds + account.tunedReportSeconds;
    std::printf(
        "backup %.3f s + report and summary %.3f s = %.1f%% of the run (target: at most "
        "30%%) %s\n",
        account.backupSeconds, account.tunedReportSeconds, 100 * accountSeconds / run.seconds,
        accountSeconds <= 0.3 * run.seconds ? "met" : "NOT met");
    std::printf("report of %d dropped records: %.3f s (target: under 1 s) %s\n",
                kMachines * kDefinitions, account.droppedReportSeconds,
                account.droppedReportSeconds < 1 ? "met" : "NOT met");
    if (keep) {
        // A fresh project, as before the first run, with the program in place.
        WriteProject(root / "c");
        const fs::path config = root / "c" / "Project" / "Config";
        fs::create_directories(config);
        fs::copy_file(program, config / "Calvora_Config", fs::copy_options::overwrite_existing);
        std::printf(
            "project kept; run it with:\n  cd %s && CONFIG_EXE_DRIVES='C:=%s' "
            "QT_QPA_PLATFORM=offscreen ./Calvora_Config /EXTERNAL=SILENT\n",
            config.c_str(), (root / "c").c_str());
    }
    return takenOver == kMachines * kDefinitions ? 0 : 1;
}
