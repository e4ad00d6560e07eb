// The importer's SQLite side: what it writes reads back through the engine.
#include "tools/mdb_sqlite_builder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <variant>
#include <vector>

#include "dao/dao.h"
#include "tests/support/test_run.h"

namespace fs = std::filesystem;

namespace calvora::test {
namespace {

// A MEMO column has NUMERIC affinity: plainly bound, SQLite would store the
// text "007" as the number 7. The import stores memos as the engine does, so
// the engine reads every text back exactly, the numeric-looking ones too.
TEST(MdbSqliteBuilder, MemoTextThatLooksLikeANumberReadsBackThroughTheEngine) {
    const std::vector<std::string> memos = {"Zeile", "007", "1.50", " 12 ", "-1e5", "0x10", ""};
    mdbimport::ImportTable table{
        "Notes", {{"Id", dao::DataType::Long, 4}, {"Memo", dao::DataType::Memo, 0}}, 0};
    mdbimport::SqliteBuilder builder("notes.mdb");
    builder.BeginTable(table);
    for (size_t i = 0; i < memos.size(); ++i)
        builder.Insert({static_cast<int64_t>(i + 1), memos[i]});
    builder.Insert({int64_t{99}, std::monostate{}});
    TempDir dir;
    const fs::path file = dir.path() / "notes.db";
    WriteFileBytes(file, builder.FileBytes());

    dao::Database db = dao::OpenDatabase(file);
    dao::Recordset rs = db.OpenRecordset("Notes");
    for (const std::string& memo : memos) {
        ASSERT_FALSE(rs.Eof()) << memo;
        EXPECT_EQ(rs.Fields().Item("Memo").Value(), Variant::Text(memo)) << "'" << memo << "'";
        rs.MoveNext();
    }
    ASSERT_FALSE(rs.Eof());
    EXPECT_EQ(rs.Fields().Item("Memo").Value(), Variant::Null());
    db.Close();
}

}  // namespace
}  // namespace calvora::test
