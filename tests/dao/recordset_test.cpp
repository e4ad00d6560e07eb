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

// EditField in one statement stores what Edit, SetValue and Update on each
// edited record store: the same values of the same storage classes in the
// file, and the same values read from the recordset afterwards.
TEST_F(EngineRecordset, EditFieldStoresWhatEditingEachRecordStores) {
    struct Case {
        const char* query;
        int32_t field;
        std::vector<Variant> values;
        std::vector<bool> edited;
    };
    const std::string longText(100, 'x');
    const std::vector<Case> cases = {
        {"SELECT var_name From PRESET_DEFS",
         0,
         {Variant::Text("x"), Variant::Text("y"), Variant::Text(longText)},
         {true, false, true}},
        // The records a query selected, counted from its first.
        {"SELECT * From PRESET_DEFS WHERE var_name = \"a\"",
         4,
         {Variant::Null(), Variant::Text("A")},
         {true, true}},
        // Converted to the field's type on the way; fewer values than records.
        {"SELECT * From PRESET_DEFS", 10, {Variant::Long(2), Variant::Text("2.5")}, {true, true}},
        // A memo text that looks like a number keeps its spelling.
        {"SELECT * From Notes", 1, {Variant::Text("007"), Variant::Text("1.50")}, {true, true}},
    };
    db.Close();
    MakeSqlite(path,
               "CREATE TABLE Notes (n LONG, memo MEMO); INSERT INTO Notes VALUES (1, 'a'), "
               "(2, 'b');");
    const std::string dump =
        "SELECT *, typeof(var_name), typeof(abs_min) FROM PRESET_DEFS ORDER BY rowid";
    const std::string notes = "SELECT n, memo, typeof(memo) FROM Notes ORDER BY rowid";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.query);
        const fs::path oneByOne = dir.path() / "one_by_one.mdb";
        const fs::path together = dir.path() / "together.mdb";
        fs::copy_file(path, oneByOne, fs::copy_options::overwrite_existing);
        fs::copy_file(path, together, fs::copy_options::overwrite_existing);
        std::vector<Variant> readBack;
        {
            dao::Database each = dao::OpenDatabase(oneByOne);
            auto rs = each.OpenRecordset(c.query);
            for (size_t r = 0; !rs.Eof(); ++r, rs.MoveNext()) {
                if (r < c.values.size() && c.edited[r]) {
                    rs.Edit();
                    rs.Fields().Item(c.field).SetValue(c.values[r]);
                    rs.Update();
                }
                readBack.push_back(rs.Fields().Item(c.field).Value());
            }
            each.Close();
        }
        dao::Database all = dao::OpenDatabase(together);
        auto rs = all.OpenRecordset(c.query);
        rs.EditField(c.field, c.values, c.edited);
        EXPECT_FALSE(rs.Eof());
        for (const Variant& expected : readBack) {
            EXPECT_EQ(rs.Fields().Item(c.field).Value(), expected);
            rs.MoveNext();
        }
        all.Close();
        EXPECT_EQ(QuerySqlite(together, dump), QuerySqlite(oneByOne, dump));
        EXPECT_EQ(QuerySqlite(together, notes), QuerySqlite(oneByOne, notes));
    }
}

TEST_F(EngineRecordset, EditFieldWritesNothingWhenAValueDoesNotFit) {
    auto rs = db.OpenRecordset("SELECT * From PRESET_DEFS");
    const std::vector<bool> all(3, true);
    EXPECT_EQ(FailureNumber([&] {
                  rs.EditField(4, {Variant::Text("c"), Variant::Text(std::string(101, 'x'))}, all);
              }),
              3163);
    EXPECT_EQ(FailureNumber([&] { rs.EditField(15, {Variant::Text("c")}, all); }), 3265);
    EXPECT_EQ(rs.Fields().Item("var_name").Value(), Variant::Text("a"));
    auto table = db.OpenRecordset("PRESET_DEFS");
    EXPECT_THROW(table.EditField(4, {Variant::Text("c")}, all), std::logic_error);
    db.Close();
    EXPECT_EQ(QuerySqlite(path, "SELECT var_name FROM PRESET_DEFS"), (Rows{{"a"}, {"b"}, {"a"}}));
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

// Whole numbers another client stored in Boolean, Byte and Integer fields
// read as the fields make them, in both ways of reading and from a query as
// from a table; one a field cannot hold fails at that field. Records read
// whole are still there to be read again.
TEST_F(EngineRecordset, WholeNumbersOfOtherClientsReadAsTheirFieldsMakeThem) {
    MakeSqlite(dir.path() / "numbers.mdb",
               "CREATE TABLE T (b BIT, y BYTE, s SHORT); INSERT INTO T VALUES (2, 255, -32768), "
               "(0, 0, 32767), (-1, 256, 32768), (5000000000, -1, -32769);");
    const std::vector<std::vector<std::string>> expected = {
        {"True", "255", "-32768"},
        {"False", "0", "32767"},
        {"True", "failure 3421", "failure 3421"},
        {"True", "failure 3421", "failure 3421"},
    };
    auto text = [](const Variant& v) {
        return v.Type() == VarType::Boolean ? (v.AsBoolean() ? "True" : "False") : NumberToText(v);
    };
    auto numbers = dao::OpenDatabase(dir.path() / "numbers.mdb");
    for (const char* source : {"SELECT * FROM T", "T"}) {
        auto rs = numbers.OpenRecordset(source);
        auto readRecord = [&](const std::vector<std::string>& row) {
            for (int32_t i = 0; i < 3; ++i) {
                std::string read;
                const int failure =
                    FailureNumber([&] { read = text(rs.Fields().Item(i).Value()); });
                EXPECT_EQ(failure ? "failure " + std::to_string(failure) : read, row[i])
                    << source << " field " << i;
            }
        };
        for (const std::vector<std::string>& row : expected) {
            readRecord(row);
            const std::vector<std::vector<Variant>> rows = rs.GetRows(1);
            EXPECT_EQ(rows.size(), row[1].starts_with("failure") ? 0u : 1u) << source;
            if (rows.empty()) {
                readRecord(row);
                rs.MoveNext();
            } else {
                EXPECT_EQ(text(rows[0][2]), row[2]) << source;
            }
        }
        rs.MoveFirst();
        EXPECT_EQ(rs.GetRows(2).size(), 2u) << source;
        rs.MoveFirst();
        readRecord(expected[0]);
    }
}

}  // namespace
}  // namespace calvora::test
