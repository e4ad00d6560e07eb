// A table-type recordset walks the table record by record and sees what the
// same database changed between two of its moves: records edited, added and
// deleted through other recordsets, a second walk of the same table, and
// definitions changed meanwhile.
#include <gtest/gtest.h>

#include "dao/dao.h"
#include "tests/dao/test_files.h"
#include "tests/support/test_run.h"

namespace calvora::test {
namespace {

namespace fs = std::filesystem;
using dao::DataType;

class EngineTableWalk : public ::testing::Test {
  protected:
    void SetUp() override {
        MakeSqlite(path,
                   "CREATE TABLE T (ID LONG, name TEXT(20));"
                   "INSERT INTO T VALUES (1, 'a'), (2, 'b'), (3, 'c'), (4, 'd');"
                   "CREATE TABLE Other (x LONG);");
        db = dao::OpenDatabase(path);
    }

    static std::string Name(const dao::Recordset& rs) {
        return std::string(rs.Fields().Item("name").Value().AsText());
    }

    // Walks rs to its end, calling between(name) after each record read.
    template <typename F>
    std::vector<std::string> Walk(dao::Recordset& rs, F&& between) {
        std::vector<std::string> names;
        for (; !rs.Eof(); rs.MoveNext()) {
            names.push_back(Name(rs));
            between(names.back());
        }
        return names;
    }

    TempDir dir;
    fs::path path = dir.path() / "walk.mdb";
    dao::Database db;
};

TEST_F(EngineTableWalk, SeesRecordsChangedAddedAndDeletedBetweenMoves) {
    dao::Recordset walk = db.OpenRecordset("T");
    const auto names = Walk(walk, [&](const std::string& name) {
        if (name == "a") {
            dao::Recordset c = db.OpenRecordset("SELECT T.* FROM T WHERE T.name = 'c'");
            c.Edit();
            c.Fields().Item("name").SetValue(Variant::Text("c2"));
            c.Update();
        } else if (name == "b") {
            dao::Recordset add = db.OpenRecordset("T");
            add.AddNew();
            add.Fields().Item("name").SetValue(Variant::Text("e"));
            add.Update();
        } else if (name == "c2") {
            db.TableDefs().Delete("Other");  // no table stays busy for the walk
        }
    });
    EXPECT_EQ(names, (std::vector<std::string>{"a", "b", "c2", "d", "e"}));
}

TEST_F(EngineTableWalk, EditingTheCurrentRecordKeepsTheWalkInPlace) {
    dao::Recordset walk = db.OpenRecordset("T");
    const auto names = Walk(walk, [&](const std::string& name) {
        walk.Edit();
        walk.Fields().Item("name").SetValue(Variant::Text(name + "!"));
        walk.Update();
    });
    EXPECT_EQ(names, (std::vector<std::string>{"a", "b", "c", "d"}));
    db.Close();
    EXPECT_EQ(QuerySqlite(path, "SELECT name FROM T ORDER BY rowid"),
              (std::vector<std::vector<std::string>>{{"a!"}, {"b!"}, {"c!"}, {"d!"}}));
}

TEST_F(EngineTableWalk, TwoWalksOfOneTableTakeTurns) {
    dao::Recordset first = db.OpenRecordset("T");
    dao::Recordset second = db.OpenRecordset("T");
    second.MoveNext();
    std::vector<std::string> seen;
    while (!first.Eof() || !second.Eof()) {
        if (!first.Eof()) {
            seen.push_back(std::string("1").append(Name(first)));
            first.MoveNext();
        }
        if (!second.Eof()) {
            seen.push_back(std::string("2").append(Name(second)));
            second.MoveNext();
        }
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"1a", "2b", "1b", "2c", "1c", "2d", "1d"}));
}

TEST_F(EngineTableWalk, RecordsDeletedAheadAreNotReached) {
    dao::Recordset walk = db.OpenRecordset("T");
    walk.MoveNext();
    db.TableDefs().Delete("T");
    EXPECT_NE(FailureNumber([&] { walk.MoveNext(); }), 0);

    dao::TableDef def = db.CreateTableDef("T");
    def.Fields().Append(def.CreateField("name", DataType::Text, 20));
    db.TableDefs().Append(def);
    dao::Recordset add = db.OpenRecordset("T");
    add.AddNew();
    add.Fields().Item("name").SetValue(Variant::Text("new"));
    add.Update();
    dao::Recordset again = db.OpenRecordset("T");
    EXPECT_EQ(Walk(again, [](const std::string&) {}), (std::vector<std::string>{"new"}));
}

TEST_F(EngineTableWalk, AWalkLeftRunningDoesNotHoldTheChangesBack) {
    dao::Recordset walk = db.OpenRecordset("T");
    walk.MoveNext();  // the walk's statement now runs
    dao::Recordset add = db.OpenRecordset("Other");
    add.AddNew();
    add.Fields().Item("x").SetValue(Variant::Long(7));
    add.Update();
    walk.MoveNext();
    EXPECT_EQ(Name(walk), "c");
    db.Close();  // commits with the walk still open
    EXPECT_EQ(QuerySqlite(path, "SELECT x FROM Other"),
              (std::vector<std::vector<std::string>>{{"7"}}));
}

}  // namespace
}  // namespace calvora::test
