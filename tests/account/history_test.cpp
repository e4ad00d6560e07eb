#include "account/history.h"

#include <gtest/gtest.h>

#include <fstream>

#include "platform/failure.h"
#include "tests/support/test_run.h"

namespace calvora::test {
namespace {

namespace fs = std::filesystem;

void Touch(const fs::path& file, const std::string& content = "x") {
    std::ofstream(file, std::ios::binary) << content;
}

std::vector<std::string> Names(const fs::path& folder) {
    std::vector<std::string> names;
    for (const history::KeptRun& run : history::ListRuns(folder, "Calvora"))
        names.push_back(run.name + (run.backup.empty() ? "" : "+mdb") +
                        (run.report.empty() ? "" : "+txt"));
    return names;
}

// Runs started in the same second get names of their own, and the history
// lists them newest first, "-10" after "-9".
TEST(History, RunsOfOneSecondGetNamesOfTheirOwn) {
    TempDir dir;
    const fs::path folder = dir.path() / "History";
    std::vector<std::string> names;
    for (int i = 0; i < 10; ++i)
        names.push_back(history::ReserveRun(folder, "Calvora", "20261207-134501"));
    EXPECT_EQ(names[0], "Calvora.20261207-134501");
    EXPECT_EQ(names[1], "Calvora.20261207-134501-2");
    EXPECT_EQ(names[9], "Calvora.20261207-134501-10");
    history::ReserveRun(folder, "Calvora", "20261207-134502");
    std::vector<std::string> listed = Names(folder);
    ASSERT_EQ(listed.size(), 11u);
    EXPECT_EQ(listed[0], "Calvora.20261207-134502+txt");
    EXPECT_EQ(listed[1], "Calvora.20261207-134501-10+txt");
    EXPECT_EQ(listed[2], "Calvora.20261207-134501-9+txt");
    EXPECT_EQ(listed[10], "Calvora.20261207-134501+txt");
}

// Files of other units and temporary files of an unfinished copy are no
// kept runs.
TEST(History, OnlyTheUnitsWholeFilesAreRuns) {
    TempDir dir;
    Touch(dir.path() / "Calvora.20261207-134501.mdb");
    Touch(dir.path() / ".Calvora.20261207-134502.mdb.tmp123_0_1");
    Touch(dir.path() / "Other.20261207-134503.mdb");
    Touch(dir.path() / "Calvora.mdb");
    EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"Calvora.20261207-134501+mdb"});
}

TEST(History, PruningKeepsTheNewestRuns) {
    struct Case {
        int keep;
        std::vector<std::string> left;
    };
    const Case cases[] = {
        {10, {"Calvora.4+mdb+txt", "Calvora.3+mdb+txt", "Calvora.2+mdb+txt", "Calvora.1+mdb+txt"}},
        {2, {"Calvora.4+mdb+txt", "Calvora.3+mdb+txt"}},
        {1, {"Calvora.4+mdb+txt"}},
        // None kept: this run's report stays, as the account of the run.
        {0, {"Calvora.4+txt"}},
    };
    for (const Case& c : cases) {
        TempDir dir;
        for (const char* stamp : {"1", "2", "3", "4"}) {
            Touch(dir.path() / (std::string("Calvora.") + stamp + ".mdb"));
            Touch(dir.path() / (std::string("Calvora.") + stamp + ".report.txt"));
            Touch(dir.path() / (std::string("Calvora.") + stamp + ".report.json"));
        }
        history::PruneRuns(dir.path(), "Calvora", c.keep, "Calvora.4");
        EXPECT_EQ(Names(dir.path()), c.left) << "keep " << c.keep;
        EXPECT_EQ(fs::exists(dir.path() / "Calvora.1.report.json"), c.keep >= 4) << c.keep;
    }
}

// A backup that cannot be made raises and leaves no file behind that could
// pass for a backup.
TEST(History, FailedBackupLeavesNothing) {
    struct Case {
        const char* name;
        bool sourceExists;
        bool folderExists;
        int32_t number;
    };
    const Case cases[] = {
        {"missing database", false, true, err::kFileNotFound},
        {"missing history folder", true, false, err::kPathNotFound},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const fs::path folder = dir.path() / "History";
        if (c.folderExists)
            fs::create_directory(folder);
        if (c.sourceExists)
            Touch(dir.path() / "Calvora.mdb", "database");
        try {
            history::KeepBackup(dir.path() / "Calvora.mdb", folder, "Calvora.1");
            ADD_FAILURE() << c.name << ": no failure";
        } catch (const Failure& f) {
            EXPECT_EQ(f.Number(), c.number) << c.name;
        }
        EXPECT_TRUE(!fs::exists(folder) || fs::is_empty(folder)) << c.name;
    }
}

// The text report is written in Windows-1252 with CR LF (a CR already there
// stays, a character the code page lacks or a byte that is not UTF-8 becomes
// '?'); the JSON report exactly as given.
TEST(History, ReportFilesAreWrittenInTheirEncodings) {
    struct Case {
        std::string text;
        std::string written;
    };
    const Case cases[] = {
        {"", ""},
        {"Unit: Calvora\nMode: silent\n", "Unit: Calvora\r\nMode: silent\r\n"},
        {"no break at the end", "no break at the end"},
        {"\n\nCR\r\n\r", "\r\n\r\nCR\r\r\n\r"},
        {"Größe €5 日 \xFF\xE2\x82\n",
         "Gr\xF6\xDF"
         "e \x80"
         "5 ? ??\r\n"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const std::string json = "{\"text\": \"Größe\n\xFF\"}\n" + c.text;
        history::WriteReportFiles(dir.path(), "Calvora.1", c.text, json);
        EXPECT_EQ(ReadFileBytes(dir.path() / "Calvora.1.report.txt"), c.written) << c.text;
        EXPECT_EQ(ReadFileBytes(dir.path() / "Calvora.1.report.json"), json) << c.text;
    }
}

TEST(History, HistoryFolderIsFoundWithoutRegardToCase) {
    TempDir dir;
    fs::create_directories(dir.path() / "calvora" / "HISTORY");
    EXPECT_EQ(history::FolderOf(dir.path(), "Calvora"), dir.path() / "calvora" / "HISTORY");
    EXPECT_EQ(history::FolderOf(dir.path() / "none", "Calvora"),
              dir.path() / "none" / "Calvora" / "History");
}

}  // namespace
}  // namespace calvora::test
