// Recordsets: moving, counting, editing and adding, over a table and over a
// query.
#include <gtest/gtest.h>

#include "dao/dao.h"
#include "tests/dao/test_files.h"
#include "tests/support/test_run.h"

namespace calvora::test {
namespace {

namespace fs = std::filesystem;
using Rows = std::vector<std::vector<std::string>>;

class EngineRecordset : public ::testing::Test {
  protected:
    void SetUp() override {
        MakeSqlite(path,
                   std::string(kPresetDefsSql) +
                       "INSERT INTO PRESET_DEFS (ID, machine_type, var_name, offset_or_bitno, "
                       "abs_min) VALUES (1, 'M1', 'a', 0, 1.5), (2, 'M1', 'b', 1, NULL), "
                       "(3, 'M2', 'a', 0, -4);"
                       "CREATE TABLE Empty (x LONG);"
                       "CREATE TABLE Numbered (n COUNTER, t TEXT(10));");
        db = dao::OpenDatabase(path);
    }
    TempDir dir;
    fs::path path = dir.path() / "Calvora.mdb";
    dao::Database db;
};

TEST_F(EngineRecordset, WalksATableInStorageOrder) {
    auto rs = db.OpenRecordset("preset_defs");
    EXPECT_EQ(rs.RecordCount(), 3);
    EXPECT_EQ(rs.Fields().Count(), 15);
    std::vector<int32_t> ids;
    while (!rs.Eof()) {
        ids.push_back(rs.Fields().Item("ID").Value().AsLong());
        rs.MoveNext();
    }
    EXPECT_EQ(ids, (std::vector<int32_t>{1, 2, 3}));
    EXPECT_EQ(FailureNumber([&] { rs.MoveNext(); }), 3021);
    EXPECT_EQ(FailureNumber([&] { rs.Fields().Item("ID").Value(); }), 3021);
    rs.MoveFirst();
    EXPECT_EQ(rs.Fields().Item(0).Value(), Variant::Long(1));
    EXPECT_EQ(rs.Fields().Item("abs_min").Value(), Variant::Double(1.5));
}

TEST_F(EngineRecordset, EmptyRecordsetIsAtBothEndsAndMoveFirstFails) {
    auto rs = db.OpenRecordset("Empty");
    EXPECT_TRUE(rs.Eof());
    EXPECT_TRUE(rs.Bof());
    EXPECT_EQ(rs.RecordCount(), 0);
    EXPECT_EQ(FailureNumber([&] { rs.MoveFirst(); }), 3021);
    EXPECT_EQ(FailureNumber([&] { rs.Edit(); }), 3021);
    auto query = db.OpenRecordset("SELECT * FROM Empty");
    EXPECT_TRUE(query.Eof());
    EXPECT_EQ(FailureNumber([&] { query.MoveFirst(); }), 3021);
    EXPECT_EQ(FailureNumber([&] { db.OpenRecordset("Missing"); }), 3078);
}

TEST_F(EngineRecordset, EditUpdateRewritesTheCurrentRecordOnly) {
    auto rs = db.OpenRecordset("PRESET_DEFS");
    rs.MoveNext();
    rs.Edit();
    rs.Fields().Item("abs_min").SetValue(Variant::Text("12"));
    EXPECT_EQ(rs.Fields().Item("abs_min").Value(), Variant::Double(12));
    rs.Update();
    EXPECT_EQ(rs.Fields().Item("ID").Value(), Variant::Long(2));
    db.Close();
    EXPECT_EQ(QuerySqlite(path, "SELECT ID, abs_min FROM PRESET_DEFS"),
              (Rows{{"1", "1.5"}, {"2", "12.0"}, {"3", "-4.0"}}));
}

TEST_F(EngineRecordset, AddNewAppendsAndKeepsThePosition) {
    auto rs = db.OpenRecordset("PRESET_DEFS");
    rs.AddNew();
    EXPECT_TRUE(rs.Fields().Item("ID").Value().IsNull());
    rs.Fields().Item("ID").SetValue(Variant::Integer(4));
    rs.Fields().Item("var_name").SetValue(Variant::Text("d"));
    rs.Update();
    EXPECT_EQ(rs.Fields().Item("ID").Value(), Variant::Long(1));
    EXPECT_EQ(rs.RecordCount(), 4);
    rs.MoveNext();
    rs.MoveNext();
    rs.MoveNext();
    EXPECT_EQ(rs.Fields().Item("var_name").Value(), Variant::Text("d"));
    EXPECT_TRUE(rs.Fields().Item("machine_type").Value().IsNull());
}

TEST_F(EngineRecordset, WritingWithoutEditOrAddNewIs3020) {
    auto rs = db.OpenRecordset("PRESET_DEFS");
    EXPECT_EQ(FailureNumber([&] { rs.Fields().Item("ID").SetValue(Variant::Long(9)); }), 3020);
    EXPECT_EQ(FailureNumber([&] { rs.Update(); }), 3020);
    rs.Edit();
    rs.Fields().Item("ID").SetValue(Variant::Long(9));
    rs.CancelUpdate();
    EXPECT_EQ(rs.Fields().Item("ID").Value(), Variant::Long(1));
}

TEST_F(EngineRecordset, QueryRecordsetsAreUpdatable) {
    auto rs = db.OpenRecordset(
        "SELECT PRESET_DEFS.* From PRESET_DEFS WHERE (((PRESET_DEFS.Var_Name)=\"A\"))");
    EXPECT_EQ(rs.RecordCount(), 2);
    while (!rs.Eof()) {
        rs.Edit();
        rs.Fields().Item("var_name").SetValue(Variant::Text("renamed"));
        rs.Update();
        rs.MoveNext();
    }
    rs.AddNew();
    rs.Fields().Item("ID").SetValue(Variant::Long(10));
    rs.Update();
    EXPECT_EQ(rs.RecordCount(), 3);
    db.Close();
    EXPECT_EQ(QuerySqlite(path, "SELECT ID, var_name FROM PRESET_DEFS"),
              (Rows{{"1", "renamed"}, {"2", "b"}, {"3", "renamed"}, {"10", "NULL"}}));
}

TEST_F(EngineRecordset, CounterNumbersItselfWhenLeftNull) {
    auto rs = db.OpenRecordset("Numbered");
    for (const char* t : {"x", "y"}) {
        rs.AddNew();
        rs.Fields().Item("t").SetValue(Variant::Text(t));
        rs.Update();
    }
    auto query = db.OpenRecordset("SELECT n FROM Numbered");
    query.AddNew();
    query.Update();
    query.MoveFirst();
    std::vector<int32_t> numbers;
    for (; !query.Eof(); query.MoveNext())
        numbers.push_back(query.Fields().Item("N").Value().AsLong());
    EXPECT_EQ(numbers, (std::vector<int32_t>{1, 2, 3}));
}

// Another client may store more characters than a TEXT(n) declares: the
// record still reads; only writing it back holds the text to the size.
TEST_F(EngineRecordset, OverlongStoredTextStillReads) {
    MakeSqlite(dir.path() / "long.mdb",
               "CREATE TABLE T (x TEXT(3)); INSERT INTO T VALUES ('abcdef');");
    auto other = dao::OpenDatabase(dir.path() / "long.mdb");
    auto rs = other.OpenRecordset("T");
    EXPECT_EQ(rs.Fields().Item("x").Value(), Variant::Text("abcdef"));
    rs.Edit();
    EXPECT_EQ(FailureNumber([&] { rs.Fields().Item("x").SetValue(Variant::Text("abcd")); }), 3163);
}

// An empty value was once bound from no buffer, which SQLite stores as Null.
TEST_F(EngineRecordset, AnEmptyBinaryValueIsNoLongerStoredAsNull) {
    MakeSqlite(dir.path() / "blob.mdb", "CREATE TABLE T (z LONGBINARY);");
    {
        auto db = dao::OpenDatabase(dir.path() / "blob.mdb");
        auto rs = db.OpenRecordset("T");
        rs.AddNew();
        rs.Fields().Item("z").SetValue(Variant::Binary(Bytes{}));
        rs.Update();
    }
    auto db = dao::OpenDatabase(dir.path() / "blob.mdb");
    EXPECT_EQ(db.OpenRecordset("T").Fields().Item("z").Value(), Variant::Binary(Bytes{}));
}

TEST_F(EngineRecordset, ValuesKeepTheirTypesThroughTheFile) {
    MakeSqlite(dir.path() / "types.mdb",
               "CREATE TABLE T (b BIT, y BYTE, s SHORT, l LONG, c CURRENCY, f SINGLE, d DOUBLE, "
               "t DATETIME, x TEXT(5), m MEMO, g GUID, z LONGBINARY);");
    const std::vector<Variant> values = {
        Variant::Boolean(true),
        Variant::Byte(200),
        Variant::Integer(-32768),
        Variant::Long(2147483647),
        Variant::Currency(Currency{123456789}),
        Variant::Single(0.1f),
        Variant::Double(1.0 / 3.0),
        Variant::Date(Date{45000.5}),
        Variant::Text("Ärger"),
        Variant::Text("1.50"),
        Variant::Text("{0123ABCD-0000-1111-2222-333344445555}"),
        Variant::Binary(Bytes{0, 1, 255}),
    };
    {
        auto types = dao::OpenDatabase(dir.path() / "types.mdb");
        auto rs = types.OpenRecordset("T");
        rs.AddNew();
        for (size_t i = 0; i < values.size(); ++i)
            rs.Fields().Item(static_cast<int32_t>(i)).SetValue(values[i]);
        rs.Update();
        rs.AddNew();
        rs.Update();  // all Null
    }
    auto types = dao::OpenDatabase(dir.path() / "types.mdb");
    auto rs = types.OpenRecordset("T");
    for (size_t i = 0; i < values.size(); ++i)
        EXPECT_EQ(rs.Fields().Item(static_cast<int32_t>(i)).Value(), values[i]) << i;
    rs.MoveNext();
    for (size_t i = 0; i < values.size(); ++i)
        EXPECT_TRUE(rs.Fields().Item(static_cast<int32_t>(i)).Value().IsNull()) << i;
    types.Close();
    EXPECT_EQ(QuerySqlite(dir.path() / "types.mdb", "SELECT b, t FROM T LIMIT 1"),
              (Rows{{"-1", "2023-03-15 12:00:00"}}));
}

}  // namespace
}  // namespace calvora::test
