// presetdb import: Access fixtures converted and compared field by field and
// value by value with what the Access files hold; the command's refusals and
// failures.
#include "tools/mdb_import.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <locale>
#include <optional>
#include <sstream>
#include <variant>

#include "dao/dao.h"
#include "tests/support/german_locale.h"
#include "tests/support/test_run.h"
#include "tools/mdb_schema.h"
#include "tools/mdb_values.h"
#include "tools/presetdb_cli.h"

namespace fs = std::filesystem;

namespace calvora::test {
namespace {

using mdbimport::Blob;

fs::path AccessData() {
    const char* data = std::getenv("CALVORA_TEST_DATA");
    return fs::path(data ? data : CALVORA_SOURCE_TEST_DATA) / "access";
}

std::string ReadBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const fs::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary) << bytes;
}

// A writable copy of a fixture (the fixtures are read-only).
fs::path CopyFixture(const std::string& name, const fs::path& dir) {
    fs::path target = dir / fs::path(name).filename();
    WriteBytes(target, ReadBytes(AccessData() / name));
    return target;
}

struct Result {
    int code;
    std::string out;
    std::string err;
};

Result Import(const std::vector<std::string>& args) {
    std::ostringstream out;
    std::ostringstream err;
    std::vector<std::string> words{"import"};
    words.insert(words.end(), args.begin(), args.end());
    int code = tool::RunPresetdb(words, out, err);
    return {code, out.str(), err.str()};
}

// --- reading the converted database ------------------------------------

struct Null {
    friend bool operator==(Null, Null) = default;
};
using Cell = std::variant<Null, int64_t, double, std::string, Blob>;
using Row = std::vector<Cell>;
const Cell N = Null{};
Cell I(int64_t v) {
    return v;
}
Cell R(double v) {
    return v;
}
Cell T(const char* v) {
    return std::string(v);
}

struct Column {
    std::string name;
    std::string declared;
    friend bool operator==(const Column&, const Column&) = default;
};

class Db {
  public:
    explicit Db(const fs::path& file) {
        EXPECT_EQ(sqlite3_open_v2(file.c_str(), &db_, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    }
    ~Db() { sqlite3_close(db_); }

    std::vector<std::string> Tables() {
        std::vector<std::string> names;
        for (const Row& r :
             Query("SELECT name FROM sqlite_master WHERE type='table' ORDER BY rowid")) {
            names.push_back(std::get<std::string>(r[0]));
        }
        return names;
    }

    std::vector<Column> Columns(const std::string& table) {
        std::vector<Column> columns;
        for (const Row& r : Query("PRAGMA table_info(\"" + table + "\")")) {
            columns.push_back({std::get<std::string>(r[1]), std::get<std::string>(r[2])});
        }
        return columns;
    }

    std::vector<Row> Rows(const std::string& table) {
        return Query("SELECT * FROM \"" + table + "\" ORDER BY rowid");
    }

    std::vector<Row> Query(const std::string& sql) {
        std::vector<Row> rows;
        sqlite3_stmt* st = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr), SQLITE_OK) << sql;
        while (st && sqlite3_step(st) == SQLITE_ROW) {
            Row row;
            for (int i = 0; i < sqlite3_column_count(st); ++i) {
                switch (sqlite3_column_type(st, i)) {
                    case SQLITE_INTEGER:
                        row.push_back(static_cast<int64_t>(sqlite3_column_int64(st, i)));
                        break;
                    case SQLITE_FLOAT:
                        row.push_back(sqlite3_column_double(st, i));
                        break;
                    case SQLITE_TEXT:
                        row.push_back(
                            std::string(reinterpret_cast<const char*>(sqlite3_column_text(st, i)),
                                        static_cast<size_t>(sqlite3_column_bytes(st, i))));
                        break;
                    case SQLITE_BLOB: {
                        const auto* p = static_cast<const char*>(sqlite3_column_blob(st, i));
                        row.push_back(Blob{std::string(
                            p ? p : "", static_cast<size_t>(sqlite3_column_bytes(st, i)))});
                        break;
                    }
                    default:
                        row.push_back(Null{});
                }
            }
            rows.push_back(std::move(row));
        }
        sqlite3_finalize(st);
        return rows;
    }

  private:
    sqlite3* db_ = nullptr;
};

// Real columns of NUMERIC affinity (CURRENCY, SINGLE) keep a whole value as an
// integer; the value, not the storage class, is what must survive.
bool SameValue(const Cell& expected, const Cell& actual) {
    if (const auto* e = std::get_if<double>(&expected)) {
        if (const auto* i = std::get_if<int64_t>(&actual))
            return *e == static_cast<double>(*i);
    }
    return expected == actual;
}

std::string Show(const Cell& c) {
    if (std::holds_alternative<Null>(c))
        return "NULL";
    if (const auto* i = std::get_if<int64_t>(&c))
        return std::to_string(*i);
    if (const auto* d = std::get_if<double>(&c)) {
        std::ostringstream s;
        s.imbue(std::locale::classic());
        s.precision(17);
        s << *d << " (real)";
        return s.str();
    }
    if (const auto* t = std::get_if<std::string>(&c))
        return "'" + *t + "'";
    return "blob of " + std::to_string(std::get<Blob>(c).bytes.size()) + " bytes";
}

void ExpectRows(Db& db, const std::string& table, const std::vector<Row>& expected) {
    std::vector<Row> actual = db.Rows(table);
    ASSERT_EQ(actual.size(), expected.size()) << table;
    for (size_t r = 0; r < expected.size(); ++r) {
        ASSERT_EQ(actual[r].size(), expected[r].size()) << table << " record " << r + 1;
        for (size_t f = 0; f < expected[r].size(); ++f) {
            EXPECT_TRUE(SameValue(expected[r][f], actual[r][f]))
                << table << " record " << r + 1 << " field " << f + 1 << ": expected "
                << Show(expected[r][f]) << ", got " << Show(actual[r][f]);
        }
    }
}

// --- the fixtures' content ----------------------------------------------

const std::vector<Column> kAllTypesColumns = {
    {"Counter", "COUNTER"}, {"Flag", "BIT"},       {"Tiny", "BYTE"},     {"Small", "SHORT"},
    {"Big", "LONG"},        {"Money", "CURRENCY"}, {"Real32", "SINGLE"}, {"Real64", "DOUBLE"},
    {"When", "DATETIME"},   {"Name", "TEXT(20)"},  {"Notes", "MEMO"},    {"Blob", "LONGBINARY"},
    {"Guid", "GUID"}};

const std::vector<Row> kAllTypesRows = {
    {I(1), I(-1), I(200), I(-32768), I(2147483647), R(1234.5678), R(1.5), R(-22500000000.0),
     T("2024-03-17 13:45:30"), T("Grüße ß €"), T("Zeile 1\r\nZeile 2"),
     Blob{std::string("\x00\x01\x02\xFF", 4)}, T("{6F9619FF-8B86-D011-B42D-00C04FC964FF}")},
    {I(2), I(0), N, N, N, N, N, N, N, N, N, N, N},
    {I(3), I(0), I(0), I(32767), I(-2147483648LL), R(-0.0001), R(-0.0), R(0.0), N, T(""), T(""),
     Blob{""}, N}};

std::vector<Column> PresetColumns(const char* categoryField) {
    return {{"ID", "LONG"},
            {"machine_type", "TEXT(50)"},
            {"type", "SHORT"},
            {"part", "LONG"},
            {"var_name", "TEXT(100)"},
            {categoryField, "LONG"},
            {"isBitArray", "BIT"},
            {"offset_or_bitno", "LONG"},
            {"text", "TEXT(255)"},
            {"page_name", "TEXT(50)"},
            {"abs_min", "DOUBLE"},
            {"abs_max", "DOUBLE"},
            {"min", "DOUBLE"},
            {"max", "DOUBLE"},
            {"pass", "SHORT"}};
}

Row Preset(int64_t id, const char* machine, int64_t part, const char* var, int64_t category,
           bool bitArray, int64_t offset, const char* text, const char* page, double absMin,
           double absMax, double min, double max, Cell pass) {
    return {I(id),     T(machine), I(1),    I(part),   T(var),    I(category), I(bitArray ? -1 : 0),
            I(offset), T(text),    T(page), R(absMin), R(absMax), R(min),      R(max),
            pass};
}

const std::vector<Row> kUnitPresets = {
    Preset(1, "M1", 1, "M_M1_H_Sollwert", 10, true, 0, "Heizzone M1 Sollwert", "Heizung", 1, 399,
           20.5, 249.75, N),
    Preset(2, "M1", 1, "M_M1_H_Toleranz", 10, false, 2, "Heizzone M1 Toleranz", "Heizung", 1, 49,
           1.5, 9.75, I(9)),
    Preset(3, "M1", 2, "M_M1_L_Leistung", 20, true, 4, "Heizband M1 Leistung", "Leistung", 1, 99,
           0.5, 99.75, I(9)),
    Preset(4, "M1", 2, "M_M1_L_Rampe", 20, false, 6, "Heizband M1 Rampe", "Leistung", 1, 29, 1.5,
           9.75, I(9)),
    Preset(5, "M1", 3, "M_M1_A_Alarm_M1", 30, true, 8, "Temperatur M1 Alarm", "Alarme", 1, 449,
           50.5, 299.75, I(9)),
    Preset(6, "M2", 1, "M_M2_H_Sollwert", 10, true, 0, "Heizzone M2 Sollwert", "Heizung", 1, 399,
           20.5, 249.75, N),
    Preset(7, "M2", 1, "M_M2_H_Toleranz", 10, false, 2, "Heizzone M2 Toleranz", "Heizung", 1, 49,
           1.5, 9.75, I(9)),
    Preset(8, "M2", 2, "M_M2_L_Leistung", 20, true, 4, "Heizband M2 Leistung", "Leistung", 1, 99,
           0.5, 99.75, I(9)),
    Preset(9, "M2", 2, "M_M2_L_Rampe", 20, false, 6, "Heizband M2 Rampe", "Leistung", 1, 29, 1.5,
           9.75, I(9)),
    Preset(10, "M2", 3, "M_M2_A_Alarm_M2", 30, true, 8, "Temperatur M2 Alarm", "Alarme", 1, 449,
           50.5, 299.75, I(9)),
    Preset(11, "M1", 1, "Obsolete_Var", 10, false, 99, "gone", "Heizung", 1, 2, 1, 2, I(1))};

const std::vector<Row> kSourcePresets = {
    Preset(1, "###machine", 1, "Sollwert", 10, true, 0, "Heizzone ###machine Sollwert", "Heizung",
           0, 400, 20, 250, I(2)),
    Preset(2, "###machine", 1, "Toleranz", 10, false, 2, "Heizzone ###machine Toleranz", "Heizung",
           0, 50, 1, 10, I(2)),
    Preset(3, "###machine", 2, "Leistung", 20, true, 4, "Heizband ###machine Leistung", "Leistung",
           0, 100, 0, 100, I(1)),
    Preset(4, "###machine", 2, "Rampe", 20, false, 6, "Heizband ###machine Rampe", "Leistung", 0,
           30, 1, 10, I(1)),
    Preset(5, "###machine", 3, "Alarm", 30, true, 8, "Temperatur ###machine Alarm", "Alarme", 0,
           450, 50, 300, I(3))};

const std::vector<Row> kSourceDefs = {
    {I(1), T("VISIWIN32"), I(1), T("M_###machine_H_###Var_Name")},
    {I(2), T("VISIWINSTUDIO"), I(1), T("Ch1.###machine.Heizung.###Var_Name")},
    {I(3), T("VISIWIN32"), I(2), T("M_###machine_L_###Var_Name")},
    {I(4), T("VisiWinStudio"), I(2), T("Ch1.###machine.Leistung.###Var_Name")},
    {I(5), T("VISIWIN32"), I(3), T("M_###machine_A_###Var_Name_###machine")},
    {I(6), T("VISIWINSTUDIO"), I(3), T("Ch1.###machine.Alarm.###Var_Name")}};

void ExpectAllTypes(const fs::path& converted) {
    Db db(converted);
    EXPECT_EQ(db.Tables(), std::vector<std::string>{"AllTypes"});
    EXPECT_EQ(db.Columns("AllTypes"), kAllTypesColumns);
    ExpectRows(db, "AllTypes", kAllTypesRows);
}

// --- conversions of whole files -------------------------------------------

TEST(MdbImport, AllTypesKeepsEveryFieldAndValue) {
    TempDir dir;
    const fs::path target = dir.path() / "all_types.db";
    Result r = Import({(AccessData() / "all_types.mdb").string(), target.string()});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("1 table, 3 records"), std::string::npos) << r.out;
    ExpectAllTypes(target);
}

TEST(MdbImport, HeatingProjectTablesKeepEveryFieldAndValue) {
    TempDir dir;
    const fs::path unit = dir.path() / "Calvora.mdb";
    const fs::path source = dir.path() / "Calvora_Source.mdb";
    ASSERT_EQ(Import({(AccessData() / "heating/Calvora.mdb").string(), unit.string()}).code, 0);
    ASSERT_EQ(
        Import({(AccessData() / "heating/Calvora_Source.mdb").string(), source.string()}).code, 0);

    Db unitDb(unit);
    EXPECT_EQ(unitDb.Tables(), std::vector<std::string>{"PRESET_DEFS"});
    EXPECT_EQ(unitDb.Columns("PRESET_DEFS"), PresetColumns("categorie"));
    ExpectRows(unitDb, "PRESET_DEFS", kUnitPresets);

    Db sourceDb(source);
    EXPECT_EQ(sourceDb.Tables(), (std::vector<std::string>{"Source_DEFS", "Source_PRESET_DEFS"}));
    std::vector<Column> sourcePresetColumns = PresetColumns("category_id");
    sourcePresetColumns[0].declared = "COUNTER";
    EXPECT_EQ(sourceDb.Columns("Source_PRESET_DEFS"), sourcePresetColumns);
    ExpectRows(sourceDb, "Source_PRESET_DEFS", kSourcePresets);
    EXPECT_EQ(sourceDb.Columns("Source_DEFS"), (std::vector<Column>{{"ID", "COUNTER"},
                                                                    {"System", "TEXT(50)"},
                                                                    {"Part", "LONG"},
                                                                    {"Var_Name", "TEXT(255)"}}));
    ExpectRows(sourceDb, "Source_DEFS", kSourceDefs);
}

// Numbers are read from their stored bytes: a locale whose decimal mark is a
// comma must not turn 1.5 into 1 or "1,5".
TEST(MdbImport, GermanNumericLocaleChangesNoValue) {
    TempDir dir;
    const fs::path target = dir.path() / "all_types.db";
    Result r, check;
    {
        GermanLocale german;
        ASSERT_TRUE(german.Problem().empty()) << german.Problem();
        r = Import({(AccessData() / "all_types.mdb").string(), target.string()});
        check = Import({"--check", (AccessData() / "all_types.mdb").string()});
    }

    ASSERT_EQ(r.code, 0) << r.err;
    ExpectAllTypes(target);
    EXPECT_EQ(check.code, 0);
    EXPECT_NE(check.out.find("Money CURRENCY (type 5, size 8)"), std::string::npos) << check.out;
}

TEST(MdbImport, CheckListsTablesFieldsAndCountsWithoutWriting) {
    TempDir dir;
    const fs::path source = CopyFixture("heating/Calvora_Source.mdb", dir.path());
    const std::string before = ReadBytes(source);
    Result r = Import({"--check", source.string()});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "\"" + source.string() + "\": 2 tables\n" +
                         "table Source_DEFS: 6 records\n"
                         "  ID COUNTER (type 4, size 4)\n"
                         "  System TEXT(50) (type 10, size 50)\n"
                         "  Part LONG (type 4, size 4)\n"
                         "  Var_Name TEXT(255) (type 10, size 255)\n"
                         "table Source_PRESET_DEFS: 5 records\n"
                         "  ID COUNTER (type 4, size 4)\n"
                         "  machine_type TEXT(50) (type 10, size 50)\n"
                         "  type SHORT (type 3, size 2)\n"
                         "  part LONG (type 4, size 4)\n"
                         "  var_name TEXT(100) (type 10, size 100)\n"
                         "  category_id LONG (type 4, size 4)\n"
                         "  isBitArray BIT (type 1, size 1)\n"
                         "  offset_or_bitno LONG (type 4, size 4)\n"
                         "  text TEXT(255) (type 10, size 255)\n"
                         "  page_name TEXT(50) (type 10, size 50)\n"
                         "  abs_min DOUBLE (type 7, size 8)\n"
                         "  abs_max DOUBLE (type 7, size 8)\n"
                         "  min DOUBLE (type 7, size 8)\n"
                         "  max DOUBLE (type 7, size 8)\n"
                         "  pass SHORT (type 3, size 2)\n");
    EXPECT_EQ(ReadBytes(source), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST(MdbImport, InPlaceKeepsTheAccessFileAsJetBak) {
    TempDir dir;
    const fs::path unit = CopyFixture("heating/Calvora.mdb", dir.path());
    const std::string original = ReadBytes(unit);
    const fs::file_time_type written = fs::last_write_time(unit) - std::chrono::hours(24 * 400);
    fs::last_write_time(unit, written);
    Result r = Import({"--in-place", unit.string()});
    ASSERT_EQ(r.code, 0) << r.err;

    const fs::path backup = dir.path() / "Calvora.mdb.jet.bak";
    EXPECT_EQ(ReadBytes(backup), original);
    EXPECT_EQ(fs::last_write_time(backup), written);
    EXPECT_EQ(fs::last_write_time(unit), written);
    EXPECT_EQ(ReadBytes(unit).substr(0, 16), std::string("SQLite format 3\0", 16));
    Db db(unit);
    ExpectRows(db, "PRESET_DEFS", kUnitPresets);

    // Running it again must never put the SQLite file in place of the backup.
    Result again = Import({"--in-place", unit.string()});
    EXPECT_EQ(again.code, 2);
    EXPECT_NE(again.err.find("already exists; use --force"), std::string::npos) << again.err;
    Result forced = Import({"--in-place", "--force", unit.string()});
    EXPECT_EQ(forced.code, 2);
    EXPECT_NE(forced.err.find("already an SQLite database"), std::string::npos) << forced.err;
    EXPECT_EQ(ReadBytes(backup), original);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2);
}

TEST(MdbImport, InPlaceThroughALinkConvertsTheFileItPointsTo) {
    TempDir dir;
    fs::create_directory(dir.path() / "real");
    const fs::path unit = CopyFixture("heating/Calvora.mdb", dir.path() / "real");
    const std::string original = ReadBytes(unit);
    const fs::path link = dir.path() / "Calvora.mdb";
    fs::create_symlink(unit, link);
    Result r = Import({"--in-place", link.string()});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(fs::read_symlink(link), unit);
    EXPECT_EQ(ReadBytes(unit).substr(0, 16), std::string("SQLite format 3\0", 16));
    EXPECT_EQ(ReadBytes(dir.path() / "real" / "Calvora.mdb.jet.bak"), original);
    EXPECT_FALSE(fs::exists(dir.path() / "Calvora.mdb.jet.bak"));
}

TEST(MdbImport, ExistingTargetIsReplacedOnlyWithForce) {
    TempDir dir;
    const fs::path source = AccessData() / "all_types.mdb";
    const fs::path target = dir.path() / "out.db";
    WriteBytes(target, "keep me");

    Result refused = Import({source.string(), target.string()});
    EXPECT_EQ(refused.code, 2);
    EXPECT_NE(refused.err.find(target.string()), std::string::npos) << refused.err;
    EXPECT_EQ(ReadBytes(target), "keep me");

    Result forced = Import({"--force", source.string(), target.string()});
    ASSERT_EQ(forced.code, 0) << forced.err;
    ExpectAllTypes(target);
}

// Each input must fail with exit code 2, a message naming it, and no target
// (nor any temporary file) left behind.
TEST(MdbImport, DamagedOrForeignInputFailsWithoutTarget) {
    const std::string access = ReadBytes(AccessData() / "all_types.mdb");
    std::string zeroedData = access;
    // Pages 3 onwards hold the catalog and the table's pages; blanking them
    // leaves a valid header over nothing readable.
    std::fill(zeroedData.begin() + 3 * 4096, zeroedData.end(), '\0');
    struct Case {
        const char* name;
        std::optional<std::string> bytes;  // nullopt: the file is missing
        const char* message;
    };
    const Case cases[] = {
        {"missing.mdb", std::nullopt, "file not found"},
        {"empty.mdb", std::string(), "is not an Access database"},
        {"text.mdb", std::string("just some text\n"), "is not an Access database"},
        {"sqlite.mdb", std::string("SQLite format 3\0rest", 20), "already an SQLite database"},
        {"cut.mdb", access.substr(0, 4096 + 100), "damaged"},
        {"blank.mdb", zeroedData, "damaged"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const fs::path source = dir.path() / c.name;
        if (c.bytes)
            WriteBytes(source, *c.bytes);
        const fs::path target = dir.path() / "out.db";
        Result r = Import({source.string(), target.string()});
        EXPECT_EQ(r.code, 2);
        EXPECT_NE(r.err.find(source.string()), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(target));
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()),
                  c.bytes ? 1 : 0);

        if (!c.bytes)
            continue;
        Result inPlace = Import({"--in-place", source.string()});
        EXPECT_EQ(inPlace.code, 2);
        EXPECT_EQ(ReadBytes(source), *c.bytes);
        EXPECT_FALSE(fs::exists(fs::path(source).concat(".jet.bak")));
    }
}

TEST(MdbImport, WrongWordsAreUsageErrors) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"a.mdb"},
        {"a.mdb", "b", "c"},
        {"--check"},
        {"--check", "a.mdb", "b"},
        {"--check", "--force", "a.mdb"},
        {"--in-place"},
        {"--in-place", "a.mdb", "b"},
        {"--bogus", "a.mdb", "b"},
    };
    for (const auto& args : cases) {
        Result r = Import(args);
        EXPECT_EQ(r.code, 1) << testing::PrintToString(args);
        EXPECT_NE(r.err.find("Usage: presetdb import"), std::string::npos) << r.err;
    }
}

}  // namespace
}  // namespace calvora::test
