// The presetdb tool, run as the built program.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "tests/dao/test_files.h"
#include "tests/support/test_run.h"

namespace calvora::test {
namespace {

namespace fs = std::filesystem;

struct Result {
    int code = -1;
    std::string out;
    std::string err;
};

std::string Quote(const std::string& word) {
    std::string out = "'";
    for (char c : word)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

class PresetdbTool : public ::testing::Test {
  protected:
    Result Run(const std::vector<std::string>& args) {
        std::string command = Quote((BuiltBinDir() / "presetdb").string());
        for (const std::string& a : args)
            command.append(" ").append(Quote(a));
        const fs::path errFile = dir.path() / "stderr.txt";
        command.append(" 2>").append(Quote(errFile.string()));
        Result r;
        FILE* pipe = popen(command.c_str(), "r");
        char buffer[4096];
        for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            r.out.append(buffer, n);
        const int status = pclose(pipe);
        r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        std::ifstream in(errFile);
        std::ostringstream text;
        text << in.rdbuf();
        r.err = text.str();
        return r;
    }

    // A demo database made from its script in the repository.
    fs::path Demo(const std::string& script, const std::string& name) {
        const fs::path db = dir.path() / name;
        const Result r = Run(
            {"create", db.string(), std::string(CALVORA_SOURCE_DIR) + "/examples/demo/" + script});
        EXPECT_EQ(r.code, 0) << r.err;
        return db;
    }

    TempDir dir;
};

TEST_F(PresetdbTool, HelpAndUsageErrors) {
    const Result help = Run({"--help"});
    EXPECT_EQ(help.code, 0);
    EXPECT_NE(help.out.find("presetdb import [--check] [--in-place] [--force] SOURCE.mdb [TARGET]"),
              std::string::npos);
    for (const auto& args : std::vector<std::vector<std::string>>{{},
                                                                  {"frobnicate"},
                                                                  {"tables"},
                                                                  {"dump", "x.mdb"},
                                                                  {"dump", "x", "T", "--xml"},
                                                                  {"schema", "a", "b", "c"},
                                                                  {"create", "x.mdb"},
                                                                  {"sql", "x.mdb"}}) {
        const Result r = Run(args);
        EXPECT_EQ(r.code, 1) << (args.empty() ? "" : args[0]);
        EXPECT_NE(r.err.find("usage"), std::string::npos) << r.err;
    }
}

TEST_F(PresetdbTool, ListsTablesAndSchemaOfTheDemoSource) {
    const fs::path db = Demo("Calvora/Calvora_Source.sql", "Calvora_Source.mdb");
    const Result tables = Run({"tables", db.string()});
    EXPECT_EQ(tables.code, 0) << tables.err;
    EXPECT_EQ(tables.out, "Source_DEFS\t6\nSource_PRESET_DEFS\t10\n");
    const Result schema = Run({"schema", db.string(), "source_preset_defs"});
    EXPECT_EQ(schema.code, 0) << schema.err;
    EXPECT_EQ(schema.out.substr(0, schema.out.find('\n')), "Source_PRESET_DEFS");
    EXPECT_NE(schema.out.find("    0  ID                        4 Long          4  COUNTER\n"),
              std::string::npos)
        << schema.out;
    EXPECT_NE(schema.out.find("    4  var_name                 10 Text        100  TEXT(100)\n"),
              std::string::npos)
        << schema.out;
    EXPECT_LT(schema.out.find(" part "), schema.out.find(" var_name "));
}

TEST_F(PresetdbTool, DumpsAndQueriesTheDemoUnitDatabase) {
    const fs::path db = Demo("Calvora/Calvora.sql", "Calvora.mdb");
    const Result csv = Run({"dump", db.string(), "PRESET_DEFS", "--csv"});
    EXPECT_EQ(csv.code, 0) << csv.err;
    EXPECT_EQ(csv.out.substr(0, csv.out.find('\n')),
              "ID,part,machine_type,type,var_name,category_id,isBitArray,offset_or_bitno,text,"
              "page_name,abs_min,abs_max,min,max,pass\r");
    const Result sql =
        Run({"sql", db.string(),
             "SELECT PRESET_DEFS.ID, PRESET_DEFS.pass From PRESET_DEFS WHERE "
             "(((PRESET_DEFS.machine_type)=\"EXTRUDER1\") AND ((PRESET_DEFS.var_name)="
             "\"extruder1_hz_zone4_soll\") AND ((PRESET_DEFS.offset_or_bitno)=3));"});
    EXPECT_EQ(sql.code, 0) << sql.err;
    EXPECT_EQ(sql.out, "ID\tpass\n4\t2\n");
    const Result json =
        Run({"sql", db.string(), "SELECT ID, isBitArray, text FROM PRESET_DEFS WHERE ID = 10",
             "--json"});
    EXPECT_EQ(json.out,
              "[\n  {\"ID\": 10, \"isBitArray\": true, \"text\": \"Temperaturalarm Extruder1 "
              "freigegeben\"}\n]\n");
}

TEST_F(PresetdbTool, ReadsADatabaseWrittenByPlainSqlite) {
    const fs::path db = dir.path() / "plain.mdb";
    MakeSqlite(db,
               "CREATE TABLE T (a TEXT(10), b CURRENCY, c DATETIME, d LONG);"
               "INSERT INTO T VALUES ('x,\"y', 1.25, '2024-05-06 07:08:09', NULL);");
    fs::permissions(db, fs::perms::owner_read);
    const auto time = fs::last_write_time(db);
    const Result r = Run({"dump", db.string(), "t", "--csv"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "a,b,c,d\r\n\"x,\"\"y\",1.25,2024-05-06 07:08:09,\r\n");
    EXPECT_EQ(fs::last_write_time(db), time);  // looking changes nothing
}

TEST_F(PresetdbTool, FailuresExitWithTwoAndSayWhy) {
    const fs::path db = Demo("Calvora/Calvora.sql", "Calvora.mdb");
    const Result injected =
        Run({"sql", db.string(),
             "SELECT * FROM PRESET_DEFS WHERE (((PRESET_DEFS.Var_Name)=\"x\" OR \"1\"=\"1\"))"});
    EXPECT_EQ(injected.code, 2);
    EXPECT_EQ(injected.out, "");
    EXPECT_NE(injected.err.find("error 3075"), std::string::npos) << injected.err;
    EXPECT_EQ(Run({"dump", db.string(), "Nope"}).code, 2);
    EXPECT_EQ(Run({"tables", (dir.path() / "missing.mdb").string()}).code, 2);
    EXPECT_FALSE(fs::exists(dir.path() / "missing.mdb"));

    std::string jet(4096, '\0');
    jet.replace(4, 15, "Standard Jet DB");
    WriteBytes(dir.path() / "old.mdb", jet);
    const Result access = Run({"tables", (dir.path() / "old.mdb").string()});
    EXPECT_EQ(access.code, 2);
    EXPECT_NE(access.err.find("presetdb import"), std::string::npos) << access.err;
}

TEST_F(PresetdbTool, CreateMakesNewFilesOnly) {
    const fs::path script = dir.path() / "s.sql";
    WriteBytes(script, "CREATE TABLE T (a LONG); INSERT INTO T VALUES (1);");
    const fs::path db = dir.path() / "new.mdb";
    EXPECT_EQ(Run({"create", db.string(), script.string()}).code, 0);
    EXPECT_EQ(QuerySqlite(db, "SELECT a FROM T"), (std::vector<std::vector<std::string>>{{"1"}}));
    const Result again = Run({"create", db.string(), script.string()});
    EXPECT_EQ(again.code, 2);
    EXPECT_NE(again.err.find("already exists"), std::string::npos) << again.err;

    WriteBytes(script, "CREATE TABLE T (a LONG); INSERT INTO Nope VALUES (1);");
    const fs::path broken = dir.path() / "broken.mdb";
    const Result failed = Run({"create", broken.string(), script.string()});
    EXPECT_EQ(failed.code, 2);
    EXPECT_NE(failed.err.find("Nope"), std::string::npos) << failed.err;
    EXPECT_FALSE(fs::exists(broken));
    // s.sql, new.mdb and the captured stderr: no temporary file stayed behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 3);
}

}  // namespace
}  // namespace calvora::test
