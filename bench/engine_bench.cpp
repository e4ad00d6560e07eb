// The database engine against plain SQLite, on tables of the size the 16-bit
// record counters allow (32,767 records of a 15-field PRESET_DEFS).
//
//   AppendThroughEngine / AppendRawSqlite: the same rows, through
//     AddNew / field writes / Update, and through one prepared INSERT in one
//     transaction. Goal: the engine within 3x of the raw inserts.
//   ReadThroughEngine / ReadRawSqlite: the whole table, through GetRows
//     (each value in its field's type) and through one plain SELECT.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <filesystem>
#include <string>

#include "bench/sqlite_read.h"
#include "dao/dao.h"

namespace {

namespace fs = std::filesystem;
using calvora::Variant;
using namespace calvora::dao;

constexpr int kRecords = 32767;

const char* kCreatePresetDefs =
    "CREATE TABLE PRESET_DEFS (ID LONG, part SHORT, machine_type TEXT(50), type SHORT, "
    "var_name TEXT(100), category_id LONG, isBitArray BIT, offset_or_bitno LONG, "
    "text TEXT(255), page_name TEXT(50), abs_min DOUBLE, abs_max DOUBLE, min DOUBLE, "
    "max DOUBLE, pass SHORT)";

struct Record {
    std::string machine;
    std::string varName;
    int offset;
};

Record RecordNumber(int i) {
    return {"Extruder" + std::to_string(i % 2 + 1), "Extruder_HZ_Var" + std::to_string(i), i % 100};
}

fs::path BenchDatabase(const std::string& name) {
    return fs::temp_directory_path() / ("calvora-bench-" + name + ".mdb");
}

fs::path FreshDatabase(const std::string& name) {
    const fs::path path = BenchDatabase(name);
    fs::remove(path);
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_exec(db, kCreatePresetDefs, nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return path;
}

void AppendThroughEngine(Database& db) {
    Recordset rs = db.OpenRecordset("PRESET_DEFS");
    Fields fields = rs.Fields();
    for (int i = 1; i <= kRecords; ++i) {
        const Record r = RecordNumber(i);
        rs.AddNew();
        fields.Item(0).SetValue(Variant::Integer(static_cast<int16_t>(i)));
        fields.Item(1).SetValue(Variant::Integer(static_cast<int16_t>(i % 50 + 1)));
        fields.Item(2).SetValue(Variant::Text(r.machine));
        fields.Item(3).SetValue(Variant::Integer(2));
        fields.Item(4).SetValue(Variant::Text(r.varName));
        fields.Item(5).SetValue(Variant::Long(1));
        fields.Item(6).SetValue(Variant::Boolean(false));
        fields.Item(7).SetValue(Variant::Long(r.offset));
        fields.Item(8).SetValue(Variant::Text("Sollwert Zone " + std::to_string(i)));
        fields.Item(9).SetValue(Variant::Text("Heizung"));
        fields.Item(10).SetValue(Variant::Double(0));
        fields.Item(11).SetValue(Variant::Double(400));
        fields.Item(12).SetValue(Variant::Double(20));
        fields.Item(13).SetValue(Variant::Double(300));
        fields.Item(14).SetValue(Variant::Integer(1));
        rs.Update();
    }
}

void BM_AppendThroughEngine(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        const fs::path path = FreshDatabase("engine");
        state.ResumeTiming();
        Database db = OpenDatabase(path);
        AppendThroughEngine(db);
        db.Close();
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_AppendThroughEngine)->Unit(benchmark::kMillisecond);

void BM_AppendRawSqlite(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        const fs::path path = FreshDatabase("raw");
        state.ResumeTiming();
        sqlite3* db = nullptr;
        sqlite3_open(path.c_str(), &db);
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(db,
                           "INSERT INTO PRESET_DEFS VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, "
                           "?10, ?11, ?12, ?13, ?14, ?15)",
                           -1, &stmt, nullptr);
        for (int i = 1; i <= kRecords; ++i) {
            const Record r = RecordNumber(i);
            const std::string text = "Sollwert Zone " + std::to_string(i);
            sqlite3_bind_int(stmt, 1, i);
            sqlite3_bind_int(stmt, 2, i % 50 + 1);
            sqlite3_bind_text(stmt, 3, r.machine.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_int(stmt, 4, 2);
            sqlite3_bind_text(stmt, 5, r.varName.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_int(stmt, 6, 1);
            sqlite3_bind_int(stmt, 7, 0);
            sqlite3_bind_int(stmt, 8, r.offset);
            sqlite3_bind_text(stmt, 9, text.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(stmt, 10, "Heizung", -1, SQLITE_STATIC);
            sqlite3_bind_double(stmt, 11, 0);
            sqlite3_bind_double(stmt, 12, 400);
            sqlite3_bind_double(stmt, 13, 20);
            sqlite3_bind_double(stmt, 14, 300);
            sqlite3_bind_int(stmt, 15, 1);
            sqlite3_step(stmt);
            sqlite3_reset(stmt);
        }
        sqlite3_finalize(stmt);
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_AppendRawSqlite)->Unit(benchmark::kMillisecond);

// A table of kRecords records, made once for the reading benchmarks.
const fs::path& FilledDatabase() {
    static const fs::path path = [] {
        const fs::path p = FreshDatabase("read");
        Database db = OpenDatabase(p);
        AppendThroughEngine(db);
        db.Close();
        return p;
    }();
    return path;
}

// The whole table read as the run reads its machine copy: whole records at
// a time, each value converted to its field's type.
void BM_ReadThroughEngine(benchmark::State& state) {
    Database db = OpenDatabase(FilledDatabase());
    for (auto _ : state) {
        Recordset rs = db.OpenRecordset("PRESET_DEFS");
        size_t read = 0;
        while (!rs.Eof())
            read += rs.GetRows(64).size();
        benchmark::DoNotOptimize(read);
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_ReadThroughEngine)->Unit(benchmark::kMillisecond);

void BM_ReadRawSqlite(benchmark::State& state) {
    sqlite3* db = nullptr;
    sqlite3_open(FilledDatabase().c_str(), &db);
    for (auto _ : state) {
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(db, "SELECT * FROM PRESET_DEFS", -1, &stmt, nullptr);
        const int64_t sum = ReadEveryValue(stmt);
        sqlite3_finalize(stmt);
        benchmark::DoNotOptimize(sum);
    }
    sqlite3_close(db);
    state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_ReadRawSqlite)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    for (const char* name : {"engine", "raw", "takeover"})
        fs::remove(BenchDatabase(name));
    return 0;
}
