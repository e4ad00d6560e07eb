// Table definitions and fields: the operations the preset procedures use to
// rebuild PRESET_DEFS and to rename old fields.
#include <gtest/gtest.h>

#include "dao/dao.h"
#include "tests/dao/test_files.h"
#include "tests/support/test_run.h"

namespace calvora::test {
namespace {

namespace fs = std::filesystem;
using dao::DataType;
using Rows = std::vector<std::vector<std::string>>;

class EngineObjects : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string old = kPresetDefsSql;  // an older file: categorie for category_id
        old.replace(old.find("category_id"), 11, "categorie");
        MakeSqlite(path, old +
                             "CREATE TABLE Source_PRESET_DEFS (ID COUNTER PRIMARY KEY, "
                             "part SHORT DEFAULT 1, var_name TEXT(80) NOT NULL, "
                             "factor CURRENCY, since DATETIME, blob LONGBINARY, note MEMO, "
                             "g GUID, b BYTE, s SINGLE, flag BIT);"
                             "CREATE INDEX ix ON Source_PRESET_DEFS (var_name);"
                             "INSERT INTO PRESET_DEFS (ID, categorie) VALUES (1, 5);");
        db = dao::OpenDatabase(path);
    }
    TempDir dir;
    fs::path path = dir.path() / "Calvora_Source.mdb";
    dao::Database db;
};

TEST_F(EngineObjects, TableDefsEnumerateAndFindCaseBlind) {
    auto defs = db.TableDefs();
    ASSERT_EQ(defs.Count(), 2);
    EXPECT_EQ(defs.Item(0).Name(), "PRESET_DEFS");
    EXPECT_EQ(defs.Item(1).Name(), "Source_PRESET_DEFS");
    EXPECT_EQ(defs.Item("source_preset_defs").Name(), "Source_PRESET_DEFS");
    EXPECT_EQ(FailureNumber([&] { defs.Item("Source_DEFS"); }), 3265);
    EXPECT_EQ(FailureNumber([&] { defs.Item(2); }), 3265);
    EXPECT_EQ(FailureNumber([&] { defs.Delete("nothing"); }), 3265);
}

TEST_F(EngineObjects, FieldsCarryTypeCodeAndSizeOfTheDeclaredType) {
    auto fields = db.TableDefs().Item("Source_PRESET_DEFS").Fields();
    struct Expect {
        const char* name;
        DataType type;
        int32_t size;
    };
    const Expect expected[] = {
        {"ID", DataType::Long, 4},        {"part", DataType::Integer, 2},
        {"var_name", DataType::Text, 80}, {"factor", DataType::Currency, 8},
        {"since", DataType::Date, 8},     {"blob", DataType::LongBinary, 0},
        {"note", DataType::Memo, 0},      {"g", DataType::Guid, 16},
        {"b", DataType::Byte, 1},         {"s", DataType::Single, 4},
        {"flag", DataType::Boolean, 1},
    };
    ASSERT_EQ(fields.Count(), 11);
    for (int i = 0; i < 11; ++i) {
        auto f = fields.Item(i);
        EXPECT_EQ(f.Name(), expected[i].name);
        EXPECT_EQ(f.Type(), expected[i].type) << expected[i].name;
        EXPECT_EQ(f.Size(), expected[i].size) << expected[i].name;
        EXPECT_EQ(f.Property("name"), Variant::Text(expected[i].name));
        EXPECT_EQ(f.Property("Type"), Variant::Integer(static_cast<int16_t>(expected[i].type)));
        EXPECT_EQ(f.Property("SIZE"), Variant::Long(expected[i].size));
    }
    EXPECT_EQ(FailureNumber([&] { fields.Item(0).Property("DefaultValue"); }), 3270);
    EXPECT_EQ(FailureNumber([&] { fields.Item("nope"); }), 3265);
    EXPECT_EQ(FailureNumber([&] { fields.Item(11); }), 3265);
}

// The rebuild of PRESET_DEFS: drop, then a copy of the template's fields
// made from their Name, Type and Size.
TEST_F(EngineObjects, TableCopiedFieldByFieldBehavesLikeTheTemplate) {
    auto defs = db.TableDefs();
    defs.Delete("preset_defs");
    defs.Refresh();
    EXPECT_FALSE(defs.Contains("PRESET_DEFS"));

    auto source = defs.Item("Source_PRESET_DEFS");
    auto target = db.CreateTableDef("PRESET_DEFS");
    auto sourceFields = source.Fields();
    for (int i = 0; i < sourceFields.Count(); ++i) {
        auto f = sourceFields.Item(i);
        target.Fields().Append(target.CreateField(
            f.Property("Name").AsText(), static_cast<DataType>(f.Property("Type").AsInteger()),
            f.Property("Size").AsLong()));
    }
    EXPECT_FALSE(QuerySqlite(path, "SELECT 1 FROM sqlite_schema WHERE name='PRESET_DEFS'").empty());
    defs.Append(target);
    defs.Refresh();
    ASSERT_TRUE(defs.Contains("PRESET_DEFS"));
    auto copied = defs.Item("PRESET_DEFS").Fields();
    ASSERT_EQ(copied.Count(), sourceFields.Count());
    for (int i = 0; i < copied.Count(); ++i) {
        EXPECT_EQ(copied.Item(i).Name(), sourceFields.Item(i).Name());
        EXPECT_EQ(copied.Item(i).Type(), sourceFields.Item(i).Type());
        EXPECT_EQ(copied.Item(i).Size(), sourceFields.Item(i).Size());
    }
    db.Close();
    // No key, index, default or NOT NULL came along; the counter is a plain LONG.
    EXPECT_EQ(QuerySqlite(path, "SELECT sql FROM sqlite_schema WHERE name = 'PRESET_DEFS'"),
              (Rows{{"CREATE TABLE \"PRESET_DEFS\" (\"ID\" LONG, \"part\" SHORT, \"var_name\" "
                     "TEXT(80), \"factor\" CURRENCY, \"since\" DATETIME, \"blob\" LONGBINARY, "
                     "\"note\" MEMO, \"g\" GUID, \"b\" BYTE, \"s\" SINGLE, \"flag\" BIT)"}}));
    EXPECT_TRUE(QuerySqlite(path,
                            "SELECT 1 FROM sqlite_schema WHERE tbl_name='PRESET_DEFS' AND "
                            "type='index'")
                    .empty());
}

TEST_F(EngineObjects, AppendRefusesWhatJetRefuses) {
    auto defs = db.TableDefs();
    auto empty = db.CreateTableDef("Nothing");
    EXPECT_EQ(FailureNumber([&] { defs.Append(empty); }), 3264);
    auto again = db.CreateTableDef("preset_defs");
    again.Fields().Append(again.CreateField("x", DataType::Long, 0));
    EXPECT_EQ(FailureNumber([&] { defs.Append(again); }), 3010);
    auto twice = db.CreateTableDef("T");
    twice.Fields().Append(twice.CreateField("a", DataType::Long, 0));
    EXPECT_EQ(
        FailureNumber([&] { twice.Fields().Append(twice.CreateField("A", DataType::Text, 5)); }),
        3191);
    EXPECT_EQ(FailureNumber([&] { twice.CreateField("c", static_cast<DataType>(9), 0); }), 3259);
    EXPECT_EQ(FailureNumber([&] { twice.CreateField("c", DataType::Text, 256); }), 5);
}

TEST_F(EngineObjects, RenamingAFieldKeepsItsData) {
    auto fields = db.TableDefs().Item("PRESET_DEFS").Fields();
    auto field = fields.Item("CATEGORIE");
    field.SetName("category_id");
    fields.Refresh();
    EXPECT_EQ(fields.Item(5).Name(), "category_id");
    EXPECT_FALSE(fields.Contains("categorie"));
    auto rs = db.OpenRecordset("PRESET_DEFS");
    EXPECT_EQ(rs.Fields().Item("category_id").Value(), Variant::Long(5));
}

TEST_F(EngineObjects, RenameToLetterCaseOnlyAndToAnExistingName) {
    auto fields = db.TableDefs().Item("PRESET_DEFS").Fields();
    fields.Item("categorie").SetName("Categorie");
    EXPECT_EQ(fields.Item(5).Name(), "Categorie");
    EXPECT_EQ(db.OpenRecordset("PRESET_DEFS").Fields().Item(5).Value(), Variant::Long(5));
    EXPECT_EQ(FailureNumber([&] { fields.Item("Categorie").SetName("VAR_NAME"); }), 3191);
}

TEST_F(EngineObjects, FieldAppendedToAStoredTableHoldsNull) {
    auto def = db.TableDefs().Item("PRESET_DEFS");
    def.Fields().Append(def.CreateField("extra", DataType::Text, 10));
    EXPECT_EQ(def.Fields().Count(), 16);
    EXPECT_TRUE(db.OpenRecordset("PRESET_DEFS").Fields().Item("extra").Value().IsNull());
}

}  // namespace
}  // namespace calvora::test
