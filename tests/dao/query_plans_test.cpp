// Query texts that differ only in their literals share one prepared
// statement: the same text with other literals must still find its own
// records, number literals must compare as SQLite's own literals do, and a
// schema change (a field renamed, a table deleted and appended anew, an index
// made) must be seen by the next query, also through a connection that ran
// it before. A sorted query gives SQLite's order whether or not it can spare
// the sort.
#include <gtest/gtest.h>

#include "dao/dao.h"
#include "tests/dao/test_files.h"
#include "tests/support/test_run.h"

namespace calvora::test {
namespace {

namespace fs = std::filesystem;
using dao::DataType;

class EngineQueryPlans : public ::testing::Test {
  protected:
    void SetUp() override {
        MakeSqlite(path,
                   "CREATE TABLE T (ID LONG, name TEXT(20), num DOUBLE, code TEXT(20));"
                   "INSERT INTO T VALUES (1, 'a', 1, '1'), (2, 'b', 1.5, '1.0'),"
                   "(3, 'A', -2, '100.0'), (4, 'c', 9223372036854775807, '100'),"
                   "(5, 'd', 9223372036854775808, '-0'), (6, 'e', -9223372036854775808, 'x');");
        db = dao::OpenDatabase(path);
    }

    // The IDs a query delivers, in order.
    std::vector<int32_t> Ids(const std::string& sql) {
        dao::Recordset rs = db.OpenRecordset(sql);
        std::vector<int32_t> ids;
        for (; !rs.Eof(); rs.MoveNext())
            ids.push_back(rs.Fields().Item("ID").Value().AsLong());
        EXPECT_EQ(rs.RecordCount(), static_cast<int32_t>(ids.size())) << sql;
        return ids;
    }

    // The IDs that SQLite itself selects with the literal written in its SQL.
    std::vector<int32_t> SqliteIds(const std::string& condition) {
        std::vector<int32_t> ids;
        for (const auto& row :
             QuerySqlite(path, "SELECT ID FROM T WHERE " + condition + " ORDER BY rowid"))
            ids.push_back(std::stoi(row[0]));
        return ids;
    }

    void RenameField(const std::string& from, const std::string& to) {
        dao::TableDef def = db.TableDefs().Item("T");
        def.Fields().Item(from).SetName(to);
    }

    TempDir dir;
    fs::path path = dir.path() / "plans.mdb";
    dao::Database db;
};

TEST_F(EngineQueryPlans, SameTextWithOtherLiteralsFindsItsOwnRecords) {
    const auto byName = [](const std::string& name) {
        return "SELECT T.* FROM T WHERE ((T.name)=\"" + name + "\")";
    };
    EXPECT_EQ(Ids(byName("a")), (std::vector<int32_t>{1, 3}));
    EXPECT_EQ(Ids(byName("b")), (std::vector<int32_t>{2}));
    EXPECT_EQ(Ids(byName("nobody")), (std::vector<int32_t>{}));
    EXPECT_EQ(Ids(byName("a\"\"b")), (std::vector<int32_t>{}));  // the literal a"b
    EXPECT_EQ(Ids(byName("A")), (std::vector<int32_t>{1, 3}));

    // Two literals, the number bare: each text binds its own values.
    const auto byNameAndId = [](const std::string& name, const std::string& id) {
        return "SELECT T.ID FROM T WHERE T.name = '" + name + "' AND T.ID = " + id;
    };
    EXPECT_EQ(Ids(byNameAndId("a", "3")), (std::vector<int32_t>{3}));
    EXPECT_EQ(Ids(byNameAndId("a", "1")), (std::vector<int32_t>{1}));
    EXPECT_EQ(Ids(byNameAndId("b", "1")), (std::vector<int32_t>{}));
    EXPECT_EQ(Ids(byNameAndId("b", "-2")), (std::vector<int32_t>{}));
    EXPECT_EQ(Ids("SELECT T.ID FROM T WHERE T.num = - 2 AND T.name = 'a'"),
              (std::vector<int32_t>{3}));
}

TEST_F(EngineQueryPlans, NumberLiteralsCompareAsSqlitesOwnLiterals) {
    // Integers and reals keep their kind: compared with a text field the
    // literal becomes the text SQLite makes of it (1 is "1", 1.0 is "1.0").
    const std::vector<std::string> conditions = {
        "num = 1",
        "num = 1.5",
        "num = 15e-1",
        "num = .5",
        "num = -2",
        "num = -2.0",
        "num = 9223372036854775807",
        "num = 9223372036854775808",
        "num = -9223372036854775808",
        "num = 99999999999999999999",
        "num = 0001",
        "code = 1",
        "code = 1.0",
        "code = 1.",
        "code = 1e2",
        "code = 100",
        "code = -0",
        "code = -0.0",
    };
    for (const std::string& condition : conditions)
        EXPECT_EQ(Ids("SELECT * FROM T WHERE " + condition), SqliteIds(condition)) << condition;
    // The cases must tell kinds apart, or they prove nothing.
    EXPECT_EQ(SqliteIds("code = 1"), (std::vector<int32_t>{1}));
    EXPECT_EQ(SqliteIds("code = 1.0"), (std::vector<int32_t>{2}));
    EXPECT_EQ(SqliteIds("code = 1e2"), (std::vector<int32_t>{3}));
}

// A sorted query reads a table stored in its sort order without sorting, and
// must then deliver exactly what SQLite's sort delivers (ties in the table's
// order) in every case where the stored order is not the sorted one.
TEST_F(EngineQueryPlans, SortedQueriesDeliverSqlitesOrderHoweverTheRowsAreStored) {
    struct Case {
        const char* values;  // (a, b) of rows 1, 2, ... in the order stored
        const char* query;   // after SELECT ID FROM S
    };
    const Case cases[] = {
        {"(1, 0), (2, 0), (3, 0), (4, 0)", "ORDER BY a"},
        {"(1, 0), (1, 0), (2, 0), (2, 0)", "ORDER BY a"},
        {"(1, 0), (2, 0), (3, 0), (0, 0)", "ORDER BY a"},
        {"(2, 0), (2, 0), (1, 0)", "ORDER BY S.a"},
        {"(4, 0), (3, 0), (3, 0), (1, 0)", "ORDER BY a DESC"},
        {"(1, 0), (2, 0), (3, 0)", "ORDER BY a DESC"},
        {"(1, 0), (2, 0), (NULL, 0)", "ORDER BY a"},
        {"(1, 0), ('x', 0), (3, 0)", "ORDER BY a"},
        {"(1, 0), (2.5, 0), (2, 0)", "ORDER BY a"},
        {"(1, 0), (5000000000, 0), (2, 0)", "ORDER BY a"},
        {"(-5000000000, 0), (-1, 0), (7, 0)", "ORDER BY a ASC"},
        {"(1, 1), (1, 2), (2, 0)", "ORDER BY a, b"},
        {"(1, 2), (1, 1), (2, 0)", "ORDER BY a, b"},
        {"(1, 2), (1, 1), (2, 0)", "ORDER BY a, b DESC"},
        {"(1, 1), (2, 1), (0, 2)", "WHERE b = 1 ORDER BY a"},
        {"(1, 1), (0, 2), (2, 1)", "WHERE b = 2 ORDER BY b, a"},
        {"(3, 0), (1, 0), (2, 0)", "ORDER BY b"},
        {"(1, 0), (2, 0), (3, 0)", "ORDER BY r"},
    };
    int n = 0;
    for (const Case& c : cases) {
        const fs::path file = dir.path() / ("sorted" + std::to_string(++n) + ".mdb");
        MakeSqlite(file, std::string("CREATE TABLE S (n LONG, a LONG, b SHORT, r DOUBLE);"
                                     "CREATE TABLE V (a, b);"
                                     "INSERT INTO V VALUES ") +
                             c.values +
                             ";INSERT INTO S SELECT rowid, a, b, 3 - rowid FROM V;"
                             "DROP TABLE V;");
        const std::string query = std::string("SELECT n FROM S ") + c.query;
        std::vector<std::string> expected;
        for (const auto& row : QuerySqlite(file, query + ", rowid"))
            expected.push_back(row[0]);
        dao::Database sorted = dao::OpenDatabase(file);
        dao::Recordset rs = sorted.OpenRecordset(query);
        std::vector<std::string> delivered;
        for (; !rs.Eof(); rs.MoveNext())
            delivered.push_back(std::to_string(rs.Fields().Item(0).Value().AsLong()));
        EXPECT_EQ(delivered, expected) << c.values << " " << c.query;
        EXPECT_EQ(rs.RecordCount(), static_cast<int32_t>(expected.size())) << c.query;
    }
}

TEST_F(EngineQueryPlans, QueriesSeeARenamedField) {
    const std::string byName = "SELECT T.* FROM T WHERE T.name = 'b'";
    EXPECT_EQ(Ids(byName), (std::vector<int32_t>{2}));
    RenameField("name", "label");
    EXPECT_EQ(FailureNumber([&] { db.OpenRecordset(byName); }), 3061);
    EXPECT_EQ(FailureNumber([&] { db.OpenRecordset(byName); }), 3061);  // again the same
    dao::Recordset rs = db.OpenRecordset("SELECT T.* FROM T WHERE T.label = 'b'");
    EXPECT_EQ(rs.Fields().Item(1).Name(), "label");
    EXPECT_EQ(rs.Fields().Item("label").Value().AsText(), "b");
    RenameField("label", "name");
    EXPECT_EQ(Ids(byName), (std::vector<int32_t>{2}));
}

TEST_F(EngineQueryPlans, QueriesSeeATableDeletedAndAppendedAnew) {
    const std::string all = "SELECT T.* FROM T WHERE T.ID = 2";
    EXPECT_EQ(db.OpenRecordset(all).Fields().Count(), 4);
    db.TableDefs().Delete("T");
    EXPECT_EQ(FailureNumber([&] { db.OpenRecordset(all); }), 3078);

    dao::TableDef def = db.CreateTableDef("T");
    def.Fields().Append(def.CreateField("extra", DataType::Text, 10));
    def.Fields().Append(def.CreateField("ID", DataType::Long, 4));
    db.TableDefs().Append(def);
    dao::Recordset table = db.OpenRecordset("T");
    table.AddNew();
    table.Fields().Item("ID").SetValue(Variant::Long(2));
    table.Fields().Item("extra").SetValue(Variant::Text("new"));
    table.Update();

    dao::Recordset rs = db.OpenRecordset(all);
    ASSERT_EQ(rs.Fields().Count(), 2);
    EXPECT_EQ(rs.Fields().Item(0).Name(), "extra");
    EXPECT_EQ(rs.Fields().Item(0).Value().AsText(), "new");
    EXPECT_EQ(rs.Fields().Item(1).Value().AsLong(), 2);
    EXPECT_EQ(FailureNumber([&] { db.OpenRecordset("SELECT T.* FROM T WHERE T.name = 'b'"); }),
              3061);
}

TEST_F(EngineQueryPlans, ARecordsetEditedThroughASharedStatementWritesItsOwnRecord) {
    for (int round = 0; round < 2; ++round) {
        for (const char* name : {"a", "b", "c"}) {
            dao::Recordset rs =
                db.OpenRecordset(std::string("SELECT T.* FROM T WHERE T.name = '") + name + "'");
            rs.Edit();
            rs.Fields().Item("code").SetValue(Variant::Text(std::string(name) + "!"));
            rs.Update();
        }
    }
    db.Close();
    EXPECT_EQ(
        QuerySqlite(path, "SELECT code FROM T ORDER BY rowid"),
        (std::vector<std::vector<std::string>>{{"a!"}, {"b!"}, {"100.0"}, {"c!"}, {"-0"}, {"x"}}));
}

TEST_F(EngineQueryPlans, EditsThroughOneStatementWriteTheirOwnFieldsAlsoAfterARename) {
    const auto edit = [&](int id, std::vector<std::pair<std::string, std::string>> values) {
        dao::Recordset rs =
            db.OpenRecordset("SELECT T.* FROM T WHERE T.ID = " + std::to_string(id));
        rs.Edit();
        for (const auto& [field, value] : values)
            rs.Fields().Item(field).SetValue(Variant::Text(value));
        rs.Update();
    };
    edit(1, {{"code", "c1"}});
    edit(2, {{"name", "n2"}, {"code", "c2"}});
    edit(3, {{"code", "c3"}});
    dao::Recordset before = db.OpenRecordset("SELECT T.* FROM T WHERE T.ID = 6");
    RenameField("code", "label");
    edit(4, {{"label", "l4"}});
    edit(5, {{"name", "n5"}, {"label", "l5"}});
    // A recordset opened before the rename still writes the field it knew.
    before.Edit();
    before.Fields().Item("code").SetValue(Variant::Text("c6"));
    EXPECT_NE(FailureNumber([&] { before.Update(); }), 0);
    db.Close();
    EXPECT_EQ(QuerySqlite(path, "SELECT name, label FROM T ORDER BY rowid"),
              (std::vector<std::vector<std::string>>{
                  {"a", "c1"}, {"n2", "c2"}, {"A", "c3"}, {"c", "l4"}, {"n5", "l5"}, {"e", "x"}}));
}

TEST_F(EngineQueryPlans, TextsThatOnlyLookLikeAnotherShapeAreTheirOwn) {
    // The shape marks a literal with a byte of its own; that byte written in
    // the text itself is no literal.
    EXPECT_EQ(Ids("SELECT T.* FROM T WHERE T.name = 'a'"), (std::vector<int32_t>{1, 3}));
    EXPECT_EQ(FailureNumber([&] { db.OpenRecordset("SELECT T.* FROM T WHERE T.name = \x01T"); }),
              3075);
    EXPECT_EQ(Ids("SELECT T.* FROM T WHERE T.ID = 4"), (std::vector<int32_t>{4}));
    EXPECT_EQ(FailureNumber([&] { db.OpenRecordset("SELECT T.* FROM T WHERE T.ID = \x01N"); }),
              3075);
    // Either quote makes the same literal; blanks are no part of a literal.
    EXPECT_EQ(Ids("SELECT T.* FROM T WHERE T.name = \"b\""), (std::vector<int32_t>{2}));
    EXPECT_EQ(Ids("SELECT T.*  FROM T WHERE T.name='c'"), (std::vector<int32_t>{4}));
}

TEST_F(EngineQueryPlans, FailingTextsFailAlikeEveryTime) {
    const std::vector<std::pair<std::string, int>> cases = {
        {"SELECT T.* FROM T WHERE T.nosuch = 'a'", 3061},
        {"SELECT T.* FROM T WHERE T.name = 'a", 3075},
        {"SELECT T.* FROM T WHERE T.name = 'a' OR T.name = 'b'", 3075},
        {"SELECT T.* FROM Nothing WHERE Nothing.name = 'a'", 3078},
        {"SELECT T.* FROM T WHERE T.ID = 1x", 3075},
    };
    for (int round = 0; round < 2; ++round)
        for (const auto& [sql, number] : cases)
            EXPECT_EQ(FailureNumber([&] { db.OpenRecordset(sql); }), number) << sql;
    // A working text of the same shape as a failing one still works.
    EXPECT_EQ(Ids("SELECT T.* FROM T WHERE T.name = 'c'"), (std::vector<int32_t>{4}));
}

}  // namespace
}  // namespace calvora::test
