// The SQL texts the preset procedures send, and the texts that must fail.
#include <gtest/gtest.h>

#include "dao/dao.h"
#include "tests/dao/test_files.h"
#include "tests/support/test_run.h"

namespace calvora::test {
namespace {

namespace fs = std::filesystem;

// Statement 3 of the takeover, built the way the procedure builds it.
std::string TakeoverSql(const std::string& machine, const std::string& varName,
                        const std::string& offset, const std::string& addFields) {
    return "SELECT PRESET_DEFS.ID, PRESET_DEFS.machine_type, PRESET_DEFS.type,"
           " PRESET_DEFS.var_name, PRESET_DEFS.category_id, PRESET_DEFS.isBitArray,"
           " PRESET_DEFS.offset_or_bitno, PRESET_DEFS.text, PRESET_DEFS.page_name,"
           " PRESET_DEFS.abs_min, PRESET_DEFS.abs_max, PRESET_DEFS.min, PRESET_DEFS.max,"
           " PRESET_DEFS.pass" +
           addFields + " From PRESET_DEFS  WHERE (((PRESET_DEFS.machine_type)=\"" + machine +
           "\") AND ((PRESET_DEFS.var_name)=\"" + varName +
           "\")  AND ((PRESET_DEFS.offset_or_bitno)=" + offset + "));";
}

std::string RenameSql(const std::string& name) {
    return "SELECT PRESET_DEFS.* From PRESET_DEFS WHERE (((PRESET_DEFS.Var_Name)=\"" + name +
           "\"))";
}

class EngineDialect : public ::testing::Test {
  protected:
    void SetUp() override {
        MakeSqlite(path, std::string(kPresetDefsSql) +
                             "INSERT INTO PRESET_DEFS (ID, part, machine_type, var_name, "
                             "offset_or_bitno, text, min) VALUES "
                             "(5, 1, 'M1', 'Heizung.Soll', 0, 'text', 10),"
                             "(2, 1, 'M1', 'Heizung.Soll', 1, 'x', 20),"
                             "(9, 2, 'm1', 'ÄPFEL', 0, 'x', 30),"
                             "(4, 2, 'M1', 'text', 0, 'text', 40),"
                             "(7, 2, 'M1', 'min', 0, 'x', 10),"
                             "(3, 2, 'M1', 'ab\"c', 0, 'x', 50),"
                             "(8, 3, 'M2', 'Heizung.Soll', 0, 'x', 60);"
                             "CREATE TABLE Source_PRESET_DEFS (ID LONG, var_name TEXT(50));"
                             "INSERT INTO Source_PRESET_DEFS VALUES (3, 'c'), (1, 'a'), (2, 'b');");
        db = dao::OpenDatabase(path);
    }

    // The IDs a query delivers, in order.
    std::vector<int32_t> Ids(const std::string& sql) {
        auto rs = db.OpenRecordset(sql);
        std::vector<int32_t> ids;
        for (; !rs.Eof(); rs.MoveNext())
            ids.push_back(rs.Fields().Item("ID").Value().AsLong());
        EXPECT_EQ(rs.RecordCount(), static_cast<int32_t>(ids.size()));
        return ids;
    }

    TempDir dir;
    fs::path path = dir.path() / "Calvora.mdb";
    dao::Database db;
};

TEST_F(EngineDialect, RecordGenerationReadsTheTemplateOrderedById) {
    auto rs = db.OpenRecordset(
        "SELECT Source_PRESET_DEFS.* From Source_PRESET_DEFS ORDER BY Source_PRESET_DEFS.ID");
    EXPECT_EQ(rs.Fields().Count(), 2);
    EXPECT_EQ(Ids("SELECT Source_PRESET_DEFS.* From Source_PRESET_DEFS ORDER BY "
                  "Source_PRESET_DEFS.ID"),
              (std::vector<int32_t>{1, 2, 3}));
    EXPECT_EQ(Ids("select * from source_preset_defs order by [var_name] desc"),
              (std::vector<int32_t>{3, 2, 1}));
}

TEST_F(EngineDialect, TextEqualityIsCaseBlindAndLiteralsAreNeverNames) {
    EXPECT_EQ(Ids(RenameSql("heizung.SOLL")), (std::vector<int32_t>{5, 2, 8}));
    EXPECT_EQ(Ids(RenameSql("äpfel")), (std::vector<int32_t>{9}));
    // A variable named like a column compares as text, not with the column.
    EXPECT_EQ(Ids(RenameSql("text")), (std::vector<int32_t>{4}));
    EXPECT_EQ(Ids(RenameSql("MIN")), (std::vector<int32_t>{7}));
    EXPECT_EQ(Ids(RenameSql("nothing")), (std::vector<int32_t>{}));
    EXPECT_EQ(Ids("SELECT * FROM PRESET_DEFS WHERE var_name = 'ab\"c'"), (std::vector<int32_t>{3}));
    EXPECT_EQ(Ids("SELECT * FROM PRESET_DEFS WHERE var_name = \"ab\"\"c\""),
              (std::vector<int32_t>{3}));
}

TEST_F(EngineDialect, TakeoverQueryMatchesAllThreeKeys) {
    const std::string add = ", PRESET_DEFS.part";
    auto rs = db.OpenRecordset(TakeoverSql("m1", "Heizung.Soll", "1", add));
    EXPECT_EQ(rs.Fields().Count(), 15);
    EXPECT_EQ(rs.Fields().Item(14).Name(), "part");
    EXPECT_EQ(rs.RecordCount(), 1);
    EXPECT_EQ(rs.Fields().Item("id").Value(), Variant::Long(2));
    rs.Edit();
    rs.Fields().Item("min").SetValue(Variant::Double(-5));
    rs.Update();
    EXPECT_EQ(Ids(TakeoverSql("M1", "HEIZUNG.soll", "0", add)), (std::vector<int32_t>{5}));
    EXPECT_EQ(Ids(TakeoverSql("M2", "Heizung.Soll", "1", "")), (std::vector<int32_t>{}));
    EXPECT_EQ(Ids(TakeoverSql("M1", "Heizung.Soll", "-0", "")), (std::vector<int32_t>{5}));
    db.Close();
    EXPECT_EQ(QuerySqlite(path, "SELECT min FROM PRESET_DEFS WHERE ID = 2"),
              (std::vector<std::vector<std::string>>{{"-5.0"}}));
}

TEST_F(EngineDialect, MemoTextsCompareAsTextsHoweverTheyLook) {
    auto def = db.TableDefs().Item("PRESET_DEFS");
    def.Fields().Append(def.CreateField("note", dao::DataType::Memo, 0));
    auto rs = db.OpenRecordset("PRESET_DEFS");
    for (const char* note : {"1.50", "007", "Zone"}) {
        rs.Edit();
        rs.Fields().Item("note").SetValue(Variant::Text(note));
        rs.Update();
        rs.MoveNext();
    }
    EXPECT_EQ(Ids("SELECT ID FROM PRESET_DEFS WHERE note = \"1.50\""), (std::vector<int32_t>{5}));
    EXPECT_EQ(Ids("SELECT ID FROM PRESET_DEFS WHERE note = \"007\""), (std::vector<int32_t>{2}));
    EXPECT_EQ(Ids("SELECT ID FROM PRESET_DEFS WHERE note = \"zone\""), (std::vector<int32_t>{9}));
    EXPECT_EQ(Ids("SELECT ID FROM PRESET_DEFS WHERE note = \"1.5\""), (std::vector<int32_t>{}));
    auto sorted =
        db.OpenRecordset("SELECT note FROM PRESET_DEFS WHERE part = 1 ORDER BY note DESC");
    EXPECT_EQ(sorted.Fields().Item(0).Value(), Variant::Text("1.50"));
}

struct Rejected {
    std::string sql;
    int number;
};

TEST_F(EngineDialect, TextsOutsideTheDialectFailAndMatchNothing) {
    const Rejected cases[] = {
        // Values with a double quote spliced in unescaped.
        {RenameSql("x\" OR \"1\"=\"1"), 3075},
        {RenameSql("ab\"c"), 3075},
        {TakeoverSql("M1", "x\") OR ((\"1\"=\"1", "0", ""), 3075},
        {TakeoverSql("M1\" OR \"\"=\"", "Heizung.Soll", "0", ""), 3075},
        // An empty offset, an empty additional field name.
        {TakeoverSql("M1", "Heizung.Soll", "", ""), 3075},
        {TakeoverSql("M1", "Heizung.Soll", "0", ", PRESET_DEFS."), 3075},
        // Unknown names.
        {TakeoverSql("M1", "Heizung.Soll", "0", ", PRESET_DEFS.extra"), 3061},
        {"SELECT * FROM PRESET_DEFS WHERE nope = 1", 3061},
        {"SELECT Other.ID FROM PRESET_DEFS", 3061},
        {"SELECT * FROM PRESET_DEFS ORDER BY nope", 3061},
        {"SELECT * FROM Nope", 3078},
        // Beyond the subset.
        {"SELECT * FROM PRESET_DEFS WHERE ID = 1 OR ID = 2", 3075},
        {"SELECT * FROM PRESET_DEFS WHERE ID < 3", 3075},
        {"SELECT * FROM PRESET_DEFS WHERE \"a\" = \"a\"", 3075},
        {"SELECT * FROM PRESET_DEFS WHERE ID", 3075},
        {"SELECT count(*) FROM PRESET_DEFS", 3075},
        {"SELECT * FROM PRESET_DEFS, Source_PRESET_DEFS", 3075},
        {"SELECT * FROM PRESET_DEFS; DROP TABLE PRESET_DEFS", 3075},
        {"SELECT * FROM PRESET_DEFS WHERE var_name = 'open", 3075},
        {"SELECT * FROM [PRESET_DEFS", 3075},
        {"SELECT * FROM PRESET_DEFS WHERE ID = 1abc", 3075},
        {"DELETE FROM PRESET_DEFS", 3129},
        // Nesting deep enough to overflow the stack of a recursive parser.
        {"SELECT * FROM PRESET_DEFS WHERE " + std::string(12000, '(') + "ID = 1" +
             std::string(12000, ')'),
         3075},
    };
    for (const Rejected& c : cases)
        EXPECT_EQ(FailureNumber([&] { db.OpenRecordset(c.sql); }), c.number) << c.sql;
    EXPECT_EQ(db.OpenRecordset("PRESET_DEFS").RecordCount(), 7);
}

TEST_F(EngineDialect, FailuresNameWhatIsWrong) {
    struct Case {
        std::string sql;
        const char* mention;
    };
    const Case cases[] = {
        {"SELECT * FROM PRESET_DEFS WHERE nope = 1", "nope"},
        {RenameSql("ab\"c"), "quote"},
        {"SELECT * FROM PRESET_DEFS WHERE min>50",
         "'>' is not supported (the dialect accepts only"},
        {"SELECT * FROM PRESET_DEFS WHERE ID = 1 AND min>=50", "'>=' is not supported"},
        {"SELECT * FROM PRESET_DEFS WHERE ID <> 1", "'<>' is not supported"},
        {"SELECT * FROM PRESET_DEFS WHERE var_name LIKE \"a*\"", "'LIKE' is not supported"},
        {"SELECT * FROM PRESET_DEFS WHERE ID = 1 OR ID = 2", "OR is not supported"},
        {"SELECT count(*) FROM PRESET_DEFS", "function count(...) is not supported"},
        {"SELECT * FROM PRESET_DEFS WHERE UCase(var_name) = \"A\"", "function UCase(...)"},
        {"SELECT * FROM PRESET_DEFS, Source_PRESET_DEFS", "second table is not supported"},
        {"SELECT * FROM PRESET_DEFS WHERE " + std::string(101, '(') + "ID = 1" +
             std::string(101, ')'),
         "nested more than 100 deep"},
    };
    for (const Case& c : cases)
        EXPECT_NE(FailureText([&] { db.OpenRecordset(c.sql); }).find(c.mention), std::string::npos)
            << c.sql << ": " << FailureText([&] { db.OpenRecordset(c.sql); });
    const std::string deepest = std::string(100, '(') + "ID = 5" + std::string(100, ')');
    EXPECT_EQ(db.OpenRecordset("SELECT * FROM PRESET_DEFS WHERE " + deepest).RecordCount(), 1);
}

}  // namespace
}  // namespace calvora::test
