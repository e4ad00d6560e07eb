// Opening databases and the transaction rule.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include "dao/dao.h"
#include "tests/dao/test_files.h"
#include "tests/support/test_run.h"
#include "tests/support/unprivileged.h"

namespace calvora::test {
namespace {

namespace fs = std::filesystem;
using dao::OpenDatabase;

class EngineOpen : public ::testing::Test {
  protected:
    fs::path Db() const { return dir.path() / "Calvora.mdb"; }
    TempDir dir;
};

TEST_F(EngineOpen, MissingFileIs3024AndIsNotCreated) {
    EXPECT_EQ(FailureNumber([&] { OpenDatabase(Db()); }), 3024);
    EXPECT_NE(FailureText([&] { OpenDatabase(Db()); }).find("no such file"), std::string::npos);
    EXPECT_FALSE(fs::exists(Db()));
    EXPECT_EQ(FailureNumber([&] { OpenDatabase(dir.path()); }), 3024);
    EXPECT_NE(FailureText([&] { OpenDatabase(dir.path()); }).find("is a folder"),
              std::string::npos);
}

// A pipe would block the open until a writer came along.
TEST_F(EngineOpen, PipeIsRefusedWithoutWaiting) {
    ASSERT_EQ(::mkfifo(Db().c_str(), 0600), 0);
    EXPECT_EQ(FailureNumber([&] { dao::OpenDatabaseReadOnly(Db()); }), 3051);
    EXPECT_NE(FailureText([&] { dao::OpenDatabaseReadOnly(Db()); }).find("not a regular file"),
              std::string::npos);
}

TEST_F(EngineOpen, ForeignFilesAre3343) {
    struct Case {
        const char* name;
        std::string bytes;
        const char* mention;
    };
    std::string jet(2048, '\0');
    jet.replace(4, 15, "Standard Jet DB");
    std::string ace(2048, '\0');
    ace.replace(4, 15, "Standard ACE DB");
    const Case cases[] = {
        {"garbage", "this is no database at all, just some text to fill a header", "unrecognized"},
        {"empty", "", "empty"},
        {"one byte", "S", "unrecognized"},
        {"three bytes", "SQL", "unrecognized"},
        {"jet", jet, "presetdb import"},
        {"ace", ace, "presetdb import"},
        {"damaged", std::string("SQLite format 3\0", 16) + std::string(200, 'x'), ""},
    };
    for (const Case& c : cases) {
        WriteBytes(Db(), c.bytes);
        std::string text;
        try {
            OpenDatabase(Db());
        } catch (const Failure& f) {
            EXPECT_EQ(f.Number(), 3343) << c.name;
            text = f.Description();
        }
        EXPECT_NE(text.find(c.mention), std::string::npos) << c.name << ": " << text;
        EXPECT_NE(text.find(Db().string()), std::string::npos) << c.name << ": " << text;
    }
}

TEST_F(EngineOpen, ReadOnlyFileIsReported) {
    MakeSqlite(Db(), kPresetDefsSql);
    fs::permissions(Db(), fs::perms::owner_read);
    AsUnprivilegedUser({dir.path()}, [&] {  // root ignores file permissions
        EXPECT_EQ(FailureNumber([&] { OpenDatabase(Db()); }), 3051);
    });
}

TEST_F(EngineOpen, LockedFileFailsWithinTheWaitInsteadOfHanging) {
    MakeSqlite(Db(), kPresetDefsSql);
    sqlite3* other = nullptr;
    sqlite3_open(Db().c_str(), &other);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE; INSERT INTO PRESET_DEFS (ID) VALUES (1);",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    EXPECT_EQ(FailureNumber([&] { OpenDatabase(Db()); }), 3045);
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
}

TEST_F(EngineOpen, WriteBlockedByAnotherProgramIs3218) {
    MakeSqlite(Db(), kPresetDefsSql);
    auto db = OpenDatabase(Db());
    sqlite3* other = nullptr;
    sqlite3_open(Db().c_str(), &other);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE; INSERT INTO PRESET_DEFS (ID) VALUES (1);",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    auto rs = db.OpenRecordset("PRESET_DEFS");
    rs.AddNew();
    rs.Fields().Item("ID").SetValue(Variant::Long(2));
    EXPECT_EQ(FailureNumber([&] { rs.Update(); }), 3218);
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
}

TEST_F(EngineOpen, CloseCommitsAndLeavesOneFile) {
    MakeSqlite(Db(), kPresetDefsSql);
    auto db = OpenDatabase(Db());
    auto rs = db.OpenRecordset("PRESET_DEFS");
    rs.AddNew();
    rs.Fields().Item("id").SetValue(Variant::Long(7));
    rs.Update();
    EXPECT_TRUE(QuerySqlite(Db(), "SELECT ID FROM PRESET_DEFS").empty());  // not yet committed
    db.Close();
    EXPECT_EQ(QuerySqlite(Db(), "SELECT ID FROM PRESET_DEFS"),
              (std::vector<std::vector<std::string>>{{"7"}}));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
    EXPECT_EQ(FailureNumber([&] { rs.MoveFirst(); }), 3420);
    EXPECT_EQ(FailureNumber([&] { db.OpenRecordset("PRESET_DEFS"); }), 3420);
    db.Close();  // closing twice does nothing
}

TEST_F(EngineOpen, DestructionCommitsWorkAlreadyStored) {
    MakeSqlite(Db(), kPresetDefsSql);
    try {
        auto db = OpenDatabase(Db());
        auto rs = db.OpenRecordset("PRESET_DEFS");
        rs.AddNew();
        rs.Fields().Item("ID").SetValue(Variant::Long(1));
        rs.Update();
        rs.AddNew();
        rs.Fields().Item("ID").SetValue(Variant::Long(2));
        throw 42;  // stands for the end-of-program signal unwinding
    } catch (int) {
    }
    EXPECT_EQ(QuerySqlite(Db(), "SELECT ID FROM PRESET_DEFS"),
              (std::vector<std::vector<std::string>>{{"1"}}));
    EXPECT_FALSE(fs::exists(Db().string() + "-journal"));
}

// A query without a match (the renaming of variable names in most runs)
// must leave the unit database as it was, time stamp included.
TEST_F(EngineOpen, ReadingOnlyLeavesTheFileUntouched) {
    MakeSqlite(Db(), std::string(kPresetDefsSql) + "INSERT INTO PRESET_DEFS (ID) VALUES (1);");
    const auto time = fs::last_write_time(Db());
    const auto bytes = QuerySqlite(Db(), "SELECT * FROM PRESET_DEFS");
    {
        auto db = OpenDatabase(Db());
        auto rs = db.OpenRecordset(
            "SELECT PRESET_DEFS.* From PRESET_DEFS WHERE (((PRESET_DEFS.Var_Name)=\"x\"))");
        EXPECT_TRUE(rs.Eof());
        db.Close();
    }
    EXPECT_EQ(fs::last_write_time(Db()), time);
    EXPECT_EQ(QuerySqlite(Db(), "SELECT * FROM PRESET_DEFS"), bytes);
}

TEST_F(EngineOpen, ReadOnlySessionsReadAndRefuseEveryWrite) {
    MakeSqlite(Db(), std::string(kPresetDefsSql) + "INSERT INTO PRESET_DEFS (ID) VALUES (1);");
    fs::permissions(Db(), fs::perms::owner_read);
    const auto time = fs::last_write_time(Db());
    auto db = dao::OpenDatabaseReadOnly(Db());
    auto rs = db.OpenRecordset("PRESET_DEFS");
    EXPECT_EQ(rs.Fields().Item("ID").Value(), Variant::Long(1));
    rs.Edit();
    rs.Fields().Item("ID").SetValue(Variant::Long(2));
    EXPECT_EQ(FailureNumber([&] { rs.Update(); }), 3051);
    EXPECT_EQ(FailureNumber([&] { db.TableDefs().Delete("PRESET_DEFS"); }), 3051);
    db.Close();
    EXPECT_EQ(fs::last_write_time(Db()), time);
    EXPECT_EQ(QuerySqlite(Db(), "SELECT ID FROM PRESET_DEFS"),
              (std::vector<std::vector<std::string>>{{"1"}}));
}

TEST_F(EngineOpen, WalFileBecomesASingleFileAgain) {
    MakeSqlite(Db(), std::string("PRAGMA journal_mode=WAL;") + kPresetDefsSql);
    OpenDatabase(Db()).Close();
    EXPECT_EQ(QuerySqlite(Db(), "PRAGMA journal_mode"),
              (std::vector<std::vector<std::string>>{{"delete"}}));
}

TEST_F(EngineOpen, NothingObjectsRaise91) {
    dao::Database db;
    dao::Recordset rs;
    dao::Field field;
    dao::TableDef def;
    EXPECT_EQ(FailureNumber([&] { db.OpenRecordset("x"); }), 91);
    EXPECT_EQ(FailureNumber([&] { rs.MoveFirst(); }), 91);
    EXPECT_EQ(FailureNumber([&] { field.Value(); }), 91);
    EXPECT_EQ(FailureNumber([&] { def.Fields(); }), 91);
}

}  // namespace
}  // namespace calvora::test
