// presetdb export: project databases written back into Access (Jet 4)
// files, read back with mdbtools and compared value by value; pages of
// tables that do not change compared byte by byte; refusals and failures.
#include "tools/mdb_export.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "tests/support/sqlite_file.h"
#include "tests/support/test_run.h"
#include "tools/jet_image.h"
#include "tools/jet_usage_map.h"
#include "tools/mdb_export_source.h"
#include "tools/mdb_import.h"
#include "tools/mdb_reader.h"
#include "tools/mdb_values.h"
#include "tools/presetdb_cli.h"

namespace fs = std::filesystem;

namespace calvora::test {
namespace {

using mdbexport::TableRecords;
using mdbimport::FieldValue;

fs::path Access(const std::string& name) {
    return TestDataDir() / "access" / name;
}

struct Result {
    int code;
    std::string out;
    std::string err;
};

Result Export(const std::vector<std::string>& args) {
    std::ostringstream out;
    std::ostringstream err;
    std::vector<std::string> words = {"export"};
    words.insert(words.end(), args.begin(), args.end());
    const int code = tool::RunPresetdb(words, out, err);
    return {code, out.str(), err.str()};
}

// A writable copy of a fixture and the database the import makes of it.
struct Imported {
    fs::path access;
    fs::path db;
};

Imported Import(const std::string& fixture, const fs::path& dir) {
    Imported i{dir / fs::path(fixture).filename(), dir / "imported.mdb"};
    WriteFileBytes(i.access, ReadFileBytes(Access(fixture)));
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(tool::RunPresetdb({"import", i.access.string(), i.db.string()}, out, err), 0)
        << err.str();
    return i;
}

// Every table of an Access file as mdbtools reads it, in the model of the
// project side, so both compare with ==.
std::vector<TableRecords> ReadAccess(const fs::path& file) {
    mdbimport::AccessReader reader(file);
    std::vector<TableRecords> tables;
    for (const mdbimport::ImportTable& table : reader.Tables()) {
        TableRecords& t = tables.emplace_back();
        t.table = table;
        reader.ReadRecords(table, [&](const std::vector<FieldValue>& values, int64_t) {
            t.rows.push_back(values);
        });
    }
    return tables;
}

const TableRecords& Table(const std::vector<TableRecords>& tables, const std::string& name) {
    for (const TableRecords& t : tables) {
        if (t.table.name == name)
            return t;
    }
    ADD_FAILURE() << "no table " << name;
    static const TableRecords none;
    return none;
}

void ExpectSameTable(const TableRecords& actual, const TableRecords& expected) {
    ASSERT_EQ(actual.table.fields.size(), expected.table.fields.size()) << expected.table.name;
    for (size_t i = 0; i < expected.table.fields.size(); ++i) {
        const auto& a = actual.table.fields[i];
        const auto& e = expected.table.fields[i];
        EXPECT_EQ(a.name, e.name);
        EXPECT_EQ(a.type, e.type) << e.name;
        EXPECT_EQ(a.size, e.size) << e.name;
        EXPECT_EQ(a.counter, e.counter) << e.name;
    }
    EXPECT_EQ(actual.table.recordCount, static_cast<int64_t>(expected.rows.size()));
    ASSERT_EQ(actual.rows.size(), expected.rows.size()) << expected.table.name;
    for (size_t r = 0; r < expected.rows.size(); ++r)
        ASSERT_TRUE(actual.rows[r] == expected.rows[r])
            << expected.table.name << " record " << r + 1;
}

std::set<uint32_t> ChangedPages(const std::string& before, const std::string& after) {
    std::set<uint32_t> changed;
    for (size_t p = 0; p * mdbexport::kPageSize < before.size(); ++p) {
        if (before.compare(p * mdbexport::kPageSize, mdbexport::kPageSize, after,
                           p * mdbexport::kPageSize, mdbexport::kPageSize) != 0) {
            changed.insert(static_cast<uint32_t>(p));
        }
    }
    return changed;
}

// The pages a table's used-pages map lists, and the pages the file's
// allocation map marks free, read from the exported file.
struct Allocation {
    std::set<uint32_t> tablePages;
    std::set<uint32_t> free;
    uint32_t pageCount = 0;
};

// The table definition page of table in file, found through the catalog.
std::string DefinitionPage(const fs::path& file, const std::string& table) {
    MdbHandle* mdb = mdb_open(file.c_str(), MDB_NOFLAGS);
    mdb_read_catalog(mdb, MDB_TABLE);
    const auto page =
        static_cast<size_t>(mdb_get_catalogentry_by_name(mdb, table.c_str())->table_pg);
    mdb_close(mdb);
    return ReadFileBytes(file).substr(page * mdbexport::kPageSize, mdbexport::kPageSize);
}

Allocation ReadAllocation(const fs::path& file, const std::string& table) {
    mdbexport::JetImage image(ReadFileBytes(file), file.string());
    auto record = [&](uint32_t pageRow) {
        const mdbexport::RowSpan span = image.Row(pageRow >> 8, pageRow & 0xff);
        return std::string_view(
            reinterpret_cast<const char*>(image.Page(pageRow >> 8)) + span.start,
            span.end - span.start);
    };
    Allocation a;
    a.pageCount = image.PageCount();
    a.free = mdbexport::MapPages(image, record(1 << 8));
    const std::string def = DefinitionPage(file, table);
    a.tablePages = mdbexport::MapPages(
        image,
        record(mdbimport::ReadInt32(reinterpret_cast<const unsigned char*>(def.data()) + 55)));
    return a;
}

// --- round trips ------------------------------------------------------------

TEST(MdbExport, UnchangedImportGivesBackTheOriginalFile) {
    for (const char* fixture :
         {"all_types.mdb", "heating/Calvora.mdb", "heating/Calvora_Source.mdb",
          "steady/Calvora.mdb", "steady/Calvora_Source.mdb"}) {
        TempDir dir;
        const Imported i = Import(fixture, dir.path());
        const fs::path target = dir.path() / "target.mdb";
        const Result r =
            Export({i.db.string(), "--into", i.access.string(), "--out", target.string()});
        ASSERT_EQ(r.code, 0) << fixture << ": " << r.err;
        EXPECT_NE(r.out.find("0 tables replaced"), std::string::npos) << r.out;
        EXPECT_EQ(ReadFileBytes(target), ReadFileBytes(i.access)) << fixture;
    }
}

// Every field type, nulls, Unicode text, long memo and OLE values on
// long-value pages (one page and chains), and an AutoNumber.
TEST(MdbExport, ChangedTableOfEveryTypeReadsBackValueForValue) {
    TempDir dir;
    const Imported i = Import("all_types.mdb", dir.path());
    ExecuteScript(i.db,
                  "UPDATE AllTypes SET Name = 'Größe € ß', Notes = printf('%.5000c', 'ä'), "
                  "Blob = randomblob(3000) WHERE Counter = 1;"
                  "UPDATE AllTypes SET Notes = printf('%.70c', 'x'), Blob = randomblob(70000), "
                  "Money = -12.3456, Real32 = 0.5, \"When\" = '1899-12-29 06:00:00' "
                  "WHERE Counter = 2;"
                  "INSERT INTO AllTypes (Counter, Flag, Name) VALUES (40, 0, 'Z 😀 beyond the BMP');"
                  "INSERT INTO AllTypes (Counter, Flag) VALUES (41, -1);");
    const fs::path target = dir.path() / "target.mdb";
    const Result r = Export({i.db.string(), "--into", i.access.string(), "--out", target.string()});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("table AllTypes: replaced, 5 records (before 3)"), std::string::npos)
        << r.out;
    const auto expected = mdbexport::ReadProjectTables(i.db);
    ExpectSameTable(Table(ReadAccess(target), "AllTypes"), Table(expected, "AllTypes"));
    // The AutoNumber goes on after the highest number written.
    const std::string def = DefinitionPage(target, "AllTypes");
    EXPECT_EQ(mdbimport::ReadInt32(reinterpret_cast<const unsigned char*>(def.data()) + 20), 41);
}

TEST(MdbExport, ThirtyTwoThousandRecordsReadBackWhole) {
    TempDir dir;
    const Imported i = Import("steady/Calvora.mdb", dir.path());
    ExecuteScript(i.db,
                  "DELETE FROM PRESET_DEFS;"
                  "WITH RECURSIVE n(k) AS (SELECT 1 UNION ALL SELECT k + 1 FROM n WHERE k < 32767) "
                  "INSERT INTO PRESET_DEFS (ID, machine_type, type, part, var_name, isBitArray, "
                  "text, min, max) SELECT k, 'M' || (k % 7), k % 5, k, 'var_' || k, -(k % 2), "
                  "printf('Text %d mit Umlaut ü', k), k * 0.25, k * 2.5 FROM n;");
    const fs::path target = dir.path() / "target.mdb";
    const Result r = Export({i.db.string(), "--into", i.access.string(), "--out", target.string()});
    ASSERT_EQ(r.code, 0) << r.err;
    const auto expected = mdbexport::ReadProjectTables(i.db);
    const auto actual = ReadAccess(target);
    ExpectSameTable(Table(actual, "PRESET_DEFS"), Table(expected, "PRESET_DEFS"));
    ExpectSameTable(Table(actual, "Source_PRESET_DEFS"), Table(expected, "Source_PRESET_DEFS"));
}

// A table that grows past the allocation map's window and then shrinks
// again: its pages are never free, the pages it gave back are free and
// hold nothing unless taken again, and the pages past the end of the file
// count as free. The map's window follows the end of the file.
TEST(MdbExport, AllocationMapFollowsATableThatGrowsAndShrinks) {
    TempDir dir;
    const Imported i = Import("steady/Calvora.mdb", dir.path());
    ExecuteScript(
        i.db,
        "WITH RECURSIVE n(k) AS (SELECT 100 UNION ALL SELECT k + 1 FROM n WHERE k < 9000) "
        "INSERT INTO PRESET_DEFS (ID, var_name, isBitArray, text) "
        "SELECT k, 'v' || k, 0, printf('%.200c', 'y') FROM n;");
    const fs::path grown = dir.path() / "grown.mdb";
    ASSERT_EQ(Export({i.db.string(), "--into", i.access.string(), "--out", grown.string()}).code,
              0);
    const Allocation g = ReadAllocation(grown, "PRESET_DEFS");
    EXPECT_GT(g.pageCount, 512u);
    EXPECT_GT(g.tablePages.size(), 400u);
    for (uint32_t page : g.tablePages)
        EXPECT_FALSE(g.free.count(page)) << page;
    EXPECT_TRUE(g.free.count(g.pageCount)) << "the page after the file";

    ExecuteScript(i.db, "DELETE FROM PRESET_DEFS WHERE ID >= 100;");
    const fs::path shrunk = dir.path() / "shrunk.mdb";
    ASSERT_EQ(Export({i.db.string(), "--into", grown.string(), "--out", shrunk.string()}).code, 0);
    const Allocation s = ReadAllocation(shrunk, "PRESET_DEFS");
    const std::string bytes = ReadFileBytes(shrunk);
    const std::string zeroes(mdbexport::kPageSize, '\0');
    size_t givenBack = 0;
    for (uint32_t page : g.tablePages) {
        if (s.tablePages.count(page))
            continue;
        // Free and empty, or taken again (by the table's usage maps), or
        // empty below the window of the inline allocation map, which counts
        // such pages as in use, as Access does.
        const bool empty =
            bytes.compare(size_t{page} * mdbexport::kPageSize, mdbexport::kPageSize, zeroes) == 0;
        const bool belowWindow = page < (s.pageCount - 512 + 7) / 8 * 8;
        EXPECT_TRUE(s.free.count(page) ? empty : (!empty || belowWindow)) << "page " << page;
        givenBack += s.free.count(page);
    }
    EXPECT_GT(givenBack, 400u);
    ExpectSameTable(Table(ReadAccess(shrunk), "PRESET_DEFS"),
                    Table(mdbexport::ReadProjectTables(i.db), "PRESET_DEFS"));
}

// The usual way back: only PRESET_DEFS changed; the pages of the source
// tables, the system tables and everything else keep their bytes.
TEST(MdbExport, SteadyProjectChangesOnlyThePagesOfTheReplacedTable) {
    TempDir dir;
    const Imported i = Import("steady/Calvora.mdb", dir.path());
    ExecuteScript(i.db,
                  "UPDATE PRESET_DEFS SET min = min + 1, text = 'geändert' WHERE ID % 2 = 0;"
                  "INSERT INTO PRESET_DEFS (ID, var_name, isBitArray) VALUES (99, 'neu', -1);");
    const fs::path target = dir.path() / "target.mdb";
    const Result r = Export({i.db.string(), "--into", i.access.string(), "--out", target.string()});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("table Source_DEFS: unchanged"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("table PRESET_DEFS: replaced, 13 records (before 12)"), std::string::npos)
        << r.out;
    // In this fixture PRESET_DEFS has its definition on page 33, its usage
    // maps on page 34, its records on page 35 and its map page 36; page 1
    // holds the file's allocation map.
    const std::set<uint32_t> allowed{1, 33, 34, 35, 36};
    // With the same fields the definition is the one Access wrote, but for
    // the record count and the addresses of the usage maps.
    std::string before = DefinitionPage(i.access, "PRESET_DEFS");
    std::string after = DefinitionPage(target, "PRESET_DEFS");
    for (std::string* def : {&before, &after}) {
        def->replace(16, 4, 4, '\0');
        def->replace(55, 8, 8, '\0');
    }
    EXPECT_TRUE(before == after);
    for (uint32_t page : ChangedPages(ReadFileBytes(i.access), ReadFileBytes(target)))
        EXPECT_TRUE(allowed.count(page)) << "page " << page << " changed";
    const auto expected = mdbexport::ReadProjectTables(i.db);
    const auto actual = ReadAccess(target);
    for (const char* table : {"Source_DEFS", "Source_PRESET_DEFS", "PRESET_DEFS"})
        ExpectSameTable(Table(actual, table), Table(expected, table));
}

// The older projects' unit database has "categorie"; the run renames it.
TEST(MdbExport, RenamedFieldArrivesUnderItsNewName) {
    TempDir dir;
    const Imported i = Import("heating/Calvora.mdb", dir.path());
    ExecuteScript(i.db,
                  "ALTER TABLE PRESET_DEFS RENAME COLUMN categorie TO category_id;"
                  "ALTER TABLE PRESET_DEFS ADD COLUMN extra TEXT(20);"
                  "UPDATE PRESET_DEFS SET extra = 'zusätzlich';");
    const fs::path target = dir.path() / "target.mdb";
    Result r = Export({"--check", i.db.string(), "--into", i.access.string()});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("field categorie LONG becomes category_id LONG"), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("field extra TEXT(20) added"), std::string::npos) << r.out;
    EXPECT_FALSE(fs::exists(target));
    r = Export({i.db.string(), "--into", i.access.string(), "--out", target.string()});
    ASSERT_EQ(r.code, 0) << r.err;
    ExpectSameTable(Table(ReadAccess(target), "PRESET_DEFS"),
                    Table(mdbexport::ReadProjectTables(i.db), "PRESET_DEFS"));
}

TEST(MdbExport, CheckListsReplacedUnchangedLeftOutAndRefusedTablesWithoutWriting) {
    TempDir dir;
    const Imported i = Import("steady/Calvora.mdb", dir.path());
    ExecuteScript(i.db,
                  "UPDATE PRESET_DEFS SET max = 1.5;"
                  "UPDATE Source_DEFS SET Var_Name = 'x';"
                  "CREATE TABLE Extra (a LONG);");
    const std::string before = ReadFileBytes(i.access);
    const Result r = Export({"--check", i.db.string(), "--into", i.access.string()});
    ASSERT_EQ(r.code, 0) << r.err;
    for (const char* line : {"table Source_DEFS: refused: it has indexes in the Access file",
                             "table Source_PRESET_DEFS: unchanged\n",
                             "table PRESET_DEFS: replaced, 12 records (before 12)\n",
                             "table Extra: left out (the Access file has no such table)\n"}) {
        EXPECT_NE(r.out.find(line), std::string::npos) << line << " in\n" << r.out;
    }
    EXPECT_EQ(ReadFileBytes(i.access), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2);
}

// --- refusals and failures ---------------------------------------------------

struct Refusal {
    const char* name;
    const char* fixture;
    const char* script;                        // run on the imported database
    void (*damage)(std::string& accessBytes);  // applied to the Access file
    const char* message;
};

const Refusal kRefusals[] = {
    {"jet3", "all_types.mdb", "", [](std::string& b) { b[0x14] = 0; }, "Jet 3"},
    {"accdb", "all_types.mdb", "", [](std::string& b) { b.replace(4, 15, "Standard ACE DB"); },
     ".accdb"},
    // The database key lies in the header's RC4-masked part: flipping a
    // stored bit sets it without knowing the mask.
    {"encrypted", "all_types.mdb", "", [](std::string& b) { b[0x3e] ^= 0x01; }, "encrypted"},
    {"damaged", "all_types.mdb", "", [](std::string& b) { b.resize(3 * 4096); }, "damaged"},
    {"sqlite as Access", "all_types.mdb", "",
     [](std::string& b) { b = "SQLite format 3" + std::string(1, '\0') + std::string(4080, 'x'); },
     "already an SQLite database"},
    {"short out of range", "all_types.mdb", "UPDATE AllTypes SET Small = 40000 WHERE Counter = 2;",
     nullptr, "field \"Small\", record 2"},
    {"text too long", "all_types.mdb",
     "UPDATE AllTypes SET Name = printf('%.21c', 'x') WHERE Counter = 3;", nullptr,
     "field \"Name\", record 3"},
    {"indexed table changes", "steady/Calvora.mdb", "UPDATE Source_DEFS SET Var_Name = 'x';",
     nullptr, "table \"Source_DEFS\" would change, but it has indexes"},
};

TEST(MdbExport, RefusedAndDamagedInputsFailWithoutTarget) {
    for (const Refusal& c : kRefusals) {
        TempDir dir;
        const Imported i = Import(c.fixture, dir.path());
        if (*c.script)
            ExecuteScript(i.db, c.script);
        if (c.damage) {
            std::string bytes = ReadFileBytes(i.access);
            c.damage(bytes);
            WriteFileBytes(i.access, bytes);
        }
        const fs::path target = dir.path() / "target.mdb";
        const Result r =
            Export({i.db.string(), "--into", i.access.string(), "--out", target.string()});
        EXPECT_EQ(r.code, 2) << c.name;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.name << ": " << r.err;
        EXPECT_FALSE(fs::exists(target)) << c.name;
    }
}

TEST(MdbExport, ExistingTargetIsReplacedOnlyWithForce) {
    TempDir dir;
    const Imported i = Import("all_types.mdb", dir.path());
    const fs::path target = dir.path() / "target.mdb";
    WriteFileBytes(target, "keep");
    Result r = Export({i.db.string(), "--into", i.access.string(), "--out", target.string()});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("--force"), std::string::npos) << r.err;
    EXPECT_EQ(ReadFileBytes(target), "keep");
    r = Export({"--force", i.db.string(), "--into", i.access.string(), "--out", target.string()});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(ReadFileBytes(target), ReadFileBytes(i.access));
    r = Export({i.db.string(), "--into", i.access.string(), "--out", i.access.string()});
    EXPECT_EQ(r.code, 2);
}

TEST(MdbExport, WrongWordsAreUsageErrors) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"db.mdb"},
        {"db.mdb", "--into", "a.mdb"},
        {"--check", "db.mdb", "--into", "a.mdb", "--out", "t.mdb"},
        {"db.mdb", "--into", "a.mdb", "--out", "t.mdb", "--bogus"},
        {"db.mdb", "other.mdb", "--into", "a.mdb", "--out", "t.mdb"},
    };
    for (const auto& words : cases)
        EXPECT_EQ(Export(words).code, 1);
}

}  // namespace
}  // namespace calvora::test
