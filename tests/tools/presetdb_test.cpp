// The presetdb tool, run as the built program.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <regex>
#include <set>
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

std::string ReadFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Runs a shell command; its stdout, its exit code (-1 when killed).
Result Shell(const std::string& command, const fs::path& errFile) {
    Result r;
    FILE* pipe = popen((command + " 2>" + Quote(errFile.string())).c_str(), "r");
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        r.out.append(buffer, n);
    const int status = pclose(pipe);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.err = ReadFile(errFile);
    return r;
}

// A table of values that break naive output: null next to the text "NULL"
// and the text \N, a tab, line breaks, a backslash, CSV's comma and quote,
// an empty text, binary data, text that is not valid UTF-8 (é, a stray
// 0xFF byte, A).
constexpr const char* kAwkwardTable =
    "CREATE TABLE T (id LONG, name TEXT(50), note MEMO, amount DOUBLE, flag BIT, "
    "data LONGBINARY);"
    "INSERT INTO T VALUES (1, 'a'||char(9)||'b', 'line1'||char(10)||'line2'||char(13), 1.5, -1, "
    "x'00FF10');"
    "INSERT INTO T VALUES (2, NULL, 'back\\slash', NULL, 0, NULL);"
    "INSERT INTO T VALUES (3, 'NULL', '\\N', -2.25, 0, NULL);"
    "INSERT INTO T VALUES (4, '', 'x,\"y\"', 1e20, -1, NULL);"
    "INSERT INTO T VALUES (5, cast(x'C3A9FF41' as text), 'ok', 0.1, 0, NULL);";

class PresetdbTool : public ::testing::Test {
  protected:
    Result Run(const std::vector<std::string>& args) {
        std::string command = "timeout 20 " + Quote((BuiltBinDir() / "presetdb").string());
        for (const std::string& a : args)
            command.append(" ").append(Quote(a));
        return Shell(command, dir.path() / "stderr.txt");
    }

    // A demo database made from its script in the repository.
    fs::path Demo(const std::string& script, const std::string& name) {
        const fs::path db = dir.path() / name;
        const Result r = Run(
            {"create", db.string(), std::string(CALVORA_SOURCE_DIR) + "/examples/demo/" + script});
        EXPECT_EQ(r.code, 0) << r.err;
        return db;
    }

    fs::path Awkward() {
        const fs::path db = dir.path() / "awkward.mdb";
        MakeSqlite(db, kAwkwardTable);
        return db;
    }

    // What Python's json or csv module reads in text, written back as
    // canonical JSON (keys sorted, non-ASCII escaped).
    std::string ReadBack(const std::string& text, const std::string& how) {
        const fs::path file = dir.path() / "output.txt";
        WriteBytes(file, text);
        const std::string program =
            "import csv, json, sys\n"
            "how, name = sys.argv[1], sys.argv[2]\n"
            "with open(name, newline='', encoding='utf-8', errors='surrogateescape') as f:\n"
            "    if how == 'json': data = json.load(f)\n"
            "    elif how == 'nl': data = [json.loads(line) for line in f]\n"
            "    else: data = list(csv.reader(f, strict=True))\n"
            "print(json.dumps(data, sort_keys=True))\n";
        const Result r =
            Shell("python3 -c " + Quote(program) + " " + how + " " + Quote(file.string()),
                  dir.path() / "python-stderr.txt");
        EXPECT_EQ(r.code, 0) << how << " does not read back: " << r.err << "\n" << text;
        return r.out;
    }

    TempDir dir;
};

TEST_F(PresetdbTool, EveryCommandHasHelpAndNamesWrongWords) {
    struct Case {
        std::vector<std::string> words;  // the command and the arguments it needs
        const char* missing;             // the argument named when the last word is left off
        int usageCode = 1;               // diff answers 1 for "different", 2 for trouble
    };
    const Case commands[] = {
        {{"tables", "x.mdb"}, "FILE"},
        {{"schema", "x.mdb"}, "FILE"},
        {{"dump", "x.mdb", "T"}, "TABLE"},
        {{"sql", "x.mdb", "SELECT * FROM T"}, "STATEMENT"},
        {{"create", "x.mdb", "s.sql"}, "SCRIPT"},
        {{"import", "a.mdb", "b.db"}, "TARGET (or --in-place or --check)"},
        {{"export", "--into", "a.mdb", "db.mdb"}, "DB"},
        {{"diff", "old.mdb", "new.mdb"}, "NEW", 2},
        {{"history", "project"}, "PROJECT"},
        {{"restore", "project"}, "PROJECT"},
        {{"preview", "project"}, "PROJECT"},
    };
    for (const Case& c : commands) {
        const std::string& name = c.words[0];
        const std::string usage = "Usage: presetdb " + name;
        const Result help = Run({name, "--help"});
        EXPECT_EQ(help.code, 0) << name;
        EXPECT_NE(help.out.find(usage), std::string::npos) << help.out;
        EXPECT_EQ(help.err, "");

        std::vector<std::string> unknown = c.words;
        unknown.push_back("--xml");
        const Result u = Run(unknown);
        EXPECT_EQ(u.code, c.usageCode) << name;
        EXPECT_EQ(u.out, "");
        EXPECT_NE(u.err.find("--xml"), std::string::npos) << u.err;
        EXPECT_NE(u.err.find(usage), std::string::npos) << u.err;

        const Result m = Run(std::vector<std::string>(c.words.begin(), c.words.end() - 1));
        EXPECT_EQ(m.code, c.usageCode) << name;
        EXPECT_EQ(m.err.find("presetdb " + name + ": " + c.missing + " is required"), 0u) << m.err;
        EXPECT_NE(m.err.find(usage), std::string::npos) << m.err;
    }
    for (const auto& words : std::vector<std::vector<std::string>>{
             {}, {"frobnicate"}, {"dump", "x", "T", "--csv", "--json"}, {"tables", "a", "b"}}) {
        const Result r = Run(words);
        EXPECT_EQ(r.code, 1) << testing::PrintToString(words);
        EXPECT_NE(r.err.find("Usage: presetdb"), std::string::npos) << r.err;
    }
}

TEST_F(PresetdbTool, HelpAndVersionGoToStdoutWithExitZero) {
    const Result help = Run({"--help"});
    EXPECT_EQ(help.code, 0);
    EXPECT_NE(help.out.find("Exit codes: 0 success, 1 usage error, 2 failure."), std::string::npos);
    for (const char* flag : {"--version", "-V"}) {
        const Result v = Run({flag});
        EXPECT_EQ(v.code, 0) << flag;
        EXPECT_TRUE(std::regex_match(v.out, std::regex("presetdb \\d+\\.\\d+\\.\\d+\n"))) << v.out;
    }
    const Result sql = Run({"sql", "--help"});
    EXPECT_NE(sql.out.find("field = value, joined by AND"), std::string::npos) << sql.out;
    EXPECT_NE(sql.out.find("Example:\n  presetdb sql "), std::string::npos) << sql.out;
    EXPECT_NE(sql.out.find("sqlite3 shell"), std::string::npos) << sql.out;
}

// The README's command reference lists exactly the commands --help lists.
TEST_F(PresetdbTool, ReadmeListsTheCommandsOfHelp) {
    const Result help = Run({"--help"});
    std::set<std::string> listed;
    std::istringstream lines(help.out.substr(help.out.find("Subcommands:")));
    std::smatch m;
    for (std::string line; std::getline(lines, line);)
        if (std::regex_match(line, m, std::regex("  ([a-z]+) .*")))
            listed.insert(m[1]);
    const std::string readme = ReadFile(fs::path(CALVORA_SOURCE_DIR) / "README.md");
    const size_t from = readme.find("### Command reference");
    ASSERT_NE(from, std::string::npos);
    const std::string section = readme.substr(from, readme.find("\n## ", from) - from);
    std::set<std::string> documented;
    const std::regex entry("\n- `presetdb ([a-z]+)");
    for (auto it = std::sregex_iterator(section.begin(), section.end(), entry);
         it != std::sregex_iterator(); ++it)
        documented.insert((*it)[1]);
    EXPECT_FALSE(listed.empty());
    EXPECT_EQ(documented, listed);
}

TEST_F(PresetdbTool, ListsTablesAndSchemaOfTheDemoSource) {
    const fs::path db = Demo("Calvora/Calvora_Source.sql", "Calvora_Source.mdb");
    const Result tables = Run({"tables", db.string()});
    EXPECT_EQ(tables.code, 0) << tables.err;
    EXPECT_EQ(tables.out, "table\trecords\nSource_DEFS\t6\nSource_PRESET_DEFS\t10\n");
    const Result schema = Run({"schema", db.string(), "source_preset_defs"});
    EXPECT_EQ(schema.code, 0) << schema.err;
    EXPECT_EQ(schema.out.substr(0, schema.out.find('\n')),
              "table\tposition\tfield\ttype\ttype_name\tsize\tdeclared_type");
    EXPECT_NE(schema.out.find("\nSource_PRESET_DEFS\t0\tID\t4\tLong\t4\tCOUNTER\n"),
              std::string::npos)
        << schema.out;
    EXPECT_NE(schema.out.find("\nSource_PRESET_DEFS\t4\tvar_name\t10\tText\t100\tTEXT(100)\n"),
              std::string::npos)
        << schema.out;
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

TEST_F(PresetdbTool, TextOutputKeepsOneRowPerLineAndNullApart) {
    const Result r = Run({"dump", Awkward().string(), "T"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out,
              "id\tname\tnote\tamount\tflag\tdata\n"
              "1\ta\\tb\tline1\\nline2\\r\t1.5\tTrue\t00FF10\n"
              "2\t\\N\tback\\\\slash\t\\N\tFalse\t\\N\n"
              "3\tNULL\t\\\\N\t-2.25\tFalse\t\\N\n"
              "4\t\tx,\"y\"\t1E+20\tTrue\t\\N\n"
              "5\t\xC3\xA9\xFF"
              "A\tok\t0.1\tFalse\t\\N\n");
}

TEST_F(PresetdbTool, MachineFormatsReadBackAsWritten) {
    const fs::path db = Awkward();
    const std::string rows =
        "{\"amount\": 1.5, \"data\": {\"$base64\": true, \"encoded\": \"AP8Q\"}, \"flag\": true, "
        "\"id\": 1, \"name\": \"a\\tb\", \"note\": \"line1\\nline2\\r\"}, "
        "{\"amount\": null, \"data\": null, \"flag\": false, \"id\": 2, \"name\": null, "
        "\"note\": \"back\\\\slash\"}, "
        "{\"amount\": -2.25, \"data\": null, \"flag\": false, \"id\": 3, \"name\": \"NULL\", "
        "\"note\": \"\\\\N\"}, "
        "{\"amount\": 1e+20, \"data\": null, \"flag\": true, \"id\": 4, \"name\": \"\", "
        "\"note\": \"x,\\\"y\\\"\"}, "
        // Not valid UTF-8: the stray byte becomes U+FFFD, the rest stays.
        "{\"amount\": 0.1, \"data\": null, \"flag\": false, \"id\": 5, \"name\": "
        "\"\\u00e9\\ufffdA\", \"note\": \"ok\"}";
    for (const char* how : {"json", "nl"}) {
        const Result r = Run({"dump", db.string(), "t", std::string("--") + how});
        EXPECT_EQ(r.code, 0) << r.err;
        EXPECT_EQ(ReadBack(r.out, how), "[" + rows + "]\n") << how;
    }
    const Result csv = Run({"dump", db.string(), "t", "--csv"});
    EXPECT_EQ(csv.code, 0) << csv.err;
    EXPECT_EQ(ReadBack(csv.out, "csv"),
              "[[\"id\", \"name\", \"note\", \"amount\", \"flag\", \"data\"], "
              "[\"1\", \"a\\tb\", \"line1\\nline2\\r\", \"1.5\", \"True\", \"00FF10\"], "
              "[\"2\", \"\", \"back\\\\slash\", \"\", \"False\", \"\"], "
              "[\"3\", \"NULL\", \"\\\\N\", \"-2.25\", \"False\", \"\"], "
              "[\"4\", \"\", \"x,\\\"y\\\"\", \"1E+20\", \"True\", \"\"], "
              "[\"5\", \"\\u00e9\\udcffA\", \"ok\", \"0.1\", \"False\", \"\"]]\n");
    // CSV tells the empty text from null by its quotes.
    EXPECT_NE(csv.out.find("\r\n4,\"\","), std::string::npos) << csv.out;
    EXPECT_NE(csv.out.find("\r\n2,,"), std::string::npos) << csv.out;
}

TEST_F(PresetdbTool, EveryRowCommandWritesEveryFormat) {
    const fs::path db = Awkward();
    const std::vector<std::vector<std::string>> commands = {
        {"tables", db.string()},
        {"schema", db.string()},
        {"schema", db.string(), "T"},
        {"dump", db.string(), "T"},
        {"sql", db.string(), "SELECT id, name FROM T WHERE flag = -1 ORDER BY id DESC"},
    };
    for (const auto& words : commands) {
        for (const char* how : {"json", "nl", "csv"}) {
            std::vector<std::string> args = words;
            args.push_back(std::string("--") + how);
            const Result r = Run(args);
            EXPECT_EQ(r.code, 0) << words[0] << " " << how << ": " << r.err;
            EXPECT_NE(ReadBack(r.out, how), "[]\n") << words[0] << " " << how;
        }
    }
    EXPECT_EQ(ReadBack(Run({"tables", db.string(), "--json"}).out, "json"),
              "[{\"records\": 5, \"table\": \"T\"}]\n");
    EXPECT_EQ(Run({"sql", db.string(), "SELECT id FROM T WHERE flag = -1 ORDER BY id DESC"}).out,
              "id\n4\n1\n");
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
    struct Case {
        std::vector<std::string> words;
        std::vector<std::string> mentions;
    };
    const std::string missing = (dir.path() / "missing.mdb").string();
    const Case cases[] = {
        {{"sql", db.string(),
          "SELECT * FROM PRESET_DEFS WHERE (((PRESET_DEFS.Var_Name)=\"x\" OR \"1\"=\"1\"))"},
         {"error 3075", "OR is not supported", "sqlite3 shell"}},
        {{"sql", db.string(), "SELECT * FROM PRESET_DEFS WHERE min>50"},
         {"error 3075", "'>' is not supported", "only = comparisons joined by AND",
          "use the sqlite3 shell on the same file: it is an SQLite database"}},
        {{"sql", db.string(), "SELECT count(*) FROM PRESET_DEFS"},
         {"count(...) is not supported", "sqlite3 shell"}},
        {{"sql", db.string(), "DELETE FROM PRESET_DEFS"}, {"error 3129", "sqlite3 shell"}},
        {{"sql", db.string(), "SELECT * FROM Nope"}, {"error 3078", "its tables: PRESET_DEFS"}},
        {{"dump", db.string(), "Nope"}, {"error 3265", "'Nope'", "its tables: PRESET_DEFS"}},
        {{"schema", db.string(), "Nope"}, {"error 3265", "its tables: PRESET_DEFS"}},
        {{"tables", missing}, {"error 3024", "no such file"}},
        {{"tables", dir.path().string()}, {"error 3024", "is a folder"}},
    };
    for (const Case& c : cases) {
        const Result r = Run(c.words);
        EXPECT_EQ(r.code, 2) << c.words.back();
        EXPECT_EQ(r.out, "");
        for (const std::string& mention : c.mentions)
            EXPECT_NE(r.err.find(mention), std::string::npos) << mention << " in " << r.err;
    }
    EXPECT_FALSE(fs::exists(missing));

    std::string jet(4096, '\0');
    jet.replace(4, 15, "Standard Jet DB");
    WriteBytes(dir.path() / "old.mdb", jet);
    const Result access = Run({"tables", (dir.path() / "old.mdb").string()});
    EXPECT_EQ(access.code, 2);
    EXPECT_NE(access.err.find("presetdb import"), std::string::npos) << access.err;
}

// Input as a user's files and scripts may give it: each must end with a
// clear message and exit code 2, never a crash or a hang.
TEST_F(PresetdbTool, BadInputEndsWithAMessageNotACrashOrAHang) {
    const fs::path db = Demo("Calvora/Calvora.sql", "Calvora.mdb");
    const std::string deep = "SELECT * FROM PRESET_DEFS WHERE " + std::string(12000, '(') +
                             "ID = 1" + std::string(12000, ')');
    const Result nested = Run({"sql", db.string(), deep});
    EXPECT_EQ(nested.code, 2);
    EXPECT_NE(nested.err.find("nested more than 100 deep"), std::string::npos) << nested.err;

    for (const std::string bytes : {"S", "SQ", "SQL"}) {
        const fs::path tiny = dir.path() / "tiny.mdb";
        WriteBytes(tiny, bytes);
        for (const auto& words :
             std::vector<std::vector<std::string>>{{"tables", tiny.string()},
                                                   {"schema", tiny.string()},
                                                   {"dump", tiny.string(), "T"},
                                                   {"sql", tiny.string(), "SELECT * FROM T"},
                                                   {"import", "--check", tiny.string()}}) {
            const Result r = Run(words);
            EXPECT_EQ(r.code, 2) << words[0] << " on " << bytes.size() << " bytes: " << r.err;
            EXPECT_NE(r.err.find(tiny.string()), std::string::npos) << r.err;
        }
    }

    const fs::path fifo = dir.path() / "pipe.mdb";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const Result pipe = Run({"tables", fifo.string()});
    EXPECT_EQ(pipe.code, 2);  // timeout would give 124
    EXPECT_NE(pipe.err.find("not a regular file"), std::string::npos) << pipe.err;
    for (const std::string& script : {std::string("/dev/zero"), fifo.string()}) {
        const fs::path target = dir.path() / "from-stream.mdb";
        const Result r = Run({"create", target.string(), script});
        EXPECT_EQ(r.code, 2) << script;
        EXPECT_NE(r.err.find("not a regular file"), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(target));
    }
}

TEST_F(PresetdbTool, CreateScriptChangesTheNewDatabaseOnly) {
    const fs::path other = dir.path() / "other.mdb";
    MakeSqlite(other, "CREATE TABLE Keep (a LONG); INSERT INTO Keep VALUES (1);");
    const std::string before = ReadFile(other);
    const fs::path script = dir.path() / "s.sql";
    for (const std::string& attack :
         {"ATTACH '" + other.string() + "' AS o; DELETE FROM o.Keep;",
          "ATTACH '" + (dir.path() / "new-elsewhere.mdb").string() +
              "' AS o; CREATE TABLE o.X (a LONG);",
          "VACUUM INTO '" + (dir.path() / "copy-elsewhere.mdb").string() + "';"}) {
        WriteBytes(script, "CREATE TABLE T (a LONG); " + attack);
        const fs::path target = dir.path() / "new.mdb";
        const Result r = Run({"create", target.string(), script.string()});
        EXPECT_EQ(r.code, 2) << attack;
        EXPECT_FALSE(fs::exists(target)) << attack;
    }
    EXPECT_EQ(ReadFile(other), before);
    EXPECT_FALSE(fs::exists(dir.path() / "new-elsewhere.mdb"));
    EXPECT_FALSE(fs::exists(dir.path() / "copy-elsewhere.mdb"));
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

TEST_F(PresetdbTool, KilledCreateLeavesNothingBehind) {
    const fs::path script = dir.path() / "endless.sql";
    WriteBytes(script,
               "CREATE TABLE T (a LONG);"
               "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c) "
               "SELECT count(*) FROM c;");
    const fs::path target = dir.path() / "new.mdb";
    Shell(Quote((BuiltBinDir() / "presetdb").string()) + " create " + Quote(target.string()) + " " +
              Quote(script.string()) + " & sleep 1; kill -9 $!; wait",
          dir.path() / "stderr.txt");
    for (const auto& entry : fs::directory_iterator(dir.path()))
        EXPECT_TRUE(entry.path().filename() == "endless.sql" ||
                    entry.path().filename() == "stderr.txt")
            << entry.path();
}

TEST_F(PresetdbTool, ImportKeepsTheAccessLibrarysDiagnosticsOffTheTerminal) {
    // Cut inside its second page: mdbtools complains on stderr while reading.
    const std::string access =
        ReadFile(fs::path(CALVORA_SOURCE_DIR) / "tests/data/access/all_types.mdb");
    const fs::path cut = dir.path() / "cut.mdb";
    WriteBytes(cut, access.substr(0, 4096 + 100));
    const Result r = Run({"import", cut.string(), (dir.path() / "out.db").string()});
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.err, "presetdb import: \"" + cut.string() +
                         "\" is damaged: its list of tables cannot be read\n");
}

}  // namespace
}  // namespace calvora::test
