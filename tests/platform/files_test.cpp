#include "platform/files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <set>

#include "platform/failure.h"
#include "tests/support/test_run.h"

namespace fs = std::filesystem;

namespace calvora {
namespace {

int FailureNumber(const std::function<void()>& call) {
    try {
        call();
    } catch (const Failure& f) {
        return f.Number();
    }
    return 0;
}

TEST(Files, ExistenceCheckFindsRegularVisibleFilesOnly) {
    test::TestRun t;
    t.Write("C:\\P\\Calvora\\Calvora.cfg", "x");
    t.Write("C:\\P\\.hidden", "x");
    EXPECT_TRUE(t.files.Exists("C:\\P\\Calvora\\Calvora.cfg"));
    EXPECT_TRUE(t.files.Exists("c:\\p\\calvora\\CALVORA.CFG"));
    EXPECT_FALSE(t.files.Exists("C:\\P\\Calvora"));  // a folder is no file
    EXPECT_FALSE(t.files.Exists("C:\\P\\.hidden"));
    EXPECT_FALSE(t.files.Exists("C:\\P\\missing"));
    EXPECT_FALSE(t.files.Exists("Q:\\unmapped"));
    EXPECT_FALSE(t.files.Exists(""));
}

TEST(Files, AppendLineWritesWindows1252WithCrLf) {
    test::TestRun t;
    t.files.AppendLine("C:\\log.txt", "Größe");
    t.files.AppendLine("C:\\log.txt", "a\n\rb");
    EXPECT_EQ(t.Read("C:\\log.txt"),
              "Gr\xF6\xDF"
              "e\r\na\n\rb\r\n");
}

TEST(Files, AppendLineFailuresCarryFileErrorNumbers) {
    test::TestRun t;
    EXPECT_EQ(FailureNumber([&] { t.files.AppendLine("C:\\no\\such\\folder\\log.txt", "x"); }), 76);
    EXPECT_EQ(FailureNumber([&] { t.files.AppendLine("Q:\\log.txt", "x"); }), 76);
    fs::create_directories(t.Host("C:\\dir.txt"));
    EXPECT_EQ(FailureNumber([&] { t.files.AppendLine("C:\\dir.txt", "x"); }), 75);
}

TEST(Files, CopyReplacesTheTargetWhole) {
    test::TestRun t;
    t.Write("C:\\a.mdb", std::string(200000, 'n'));
    t.Write("C:\\b.mdb", "old");
    ::chmod(t.Host("C:\\b.mdb").c_str(), 0640);
    t.files.CopyFile("C:\\a.mdb", "C:\\b.mdb");
    EXPECT_EQ(t.Read("C:\\b.mdb"), std::string(200000, 'n'));
    struct stat st {};
    ::stat(t.Host("C:\\b.mdb").c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u);  // the target keeps its permissions
    // No temporary file is left beside the target.
    int files = 0;
    for (auto& e : fs::directory_iterator(t.Host("C:\\")))
        files += e.is_regular_file();
    EXPECT_EQ(files, 2);
}

// A process killed just before its rename leaves a hidden full copy beside
// the target; the next copy removes those of processes no longer running
// (no process id reaches 9,999,999) and keeps the rest.
TEST(Files, CopyRemovesTheLeftoversOfDeadProcessesOnly) {
    test::TestRun t;
    t.Write("C:\\a.mdb", "new");
    t.Write("C:\\b.mdb", "old");
    const std::string live = ".b.mdb.tmp" + std::to_string(::getpid()) + "_0_1";
    for (const std::string& name : std::vector<std::string>{
             ".b.mdb.tmp9999999_0_1", live, ".b.mdb.tmpx_1", ".c.mdb.tmp9999999_0_1"})
        test::WriteFileBytes(t.Host("C:\\") / name, "copy");
    t.files.CopyFile("C:\\a.mdb", "C:\\b.mdb");
    std::set<std::string> left;
    for (auto& e : fs::directory_iterator(t.Host("C:\\")))
        if (e.is_regular_file())
            left.insert(e.path().filename().string());
    EXPECT_EQ(left, (std::set<std::string>{"a.mdb", "b.mdb", live, ".b.mdb.tmpx_1",
                                           ".c.mdb.tmp9999999_0_1"}));
}

// A target that is a symbolic link stays one: the file it names gets the
// copy, as the INI writes do.
TEST(Files, CopyThroughASymbolicLinkReplacesItsTarget) {
    test::TestRun t;
    t.Write("C:\\a.mdb", "new");
    t.Write("C:\\elsewhere\\b.mdb", "old");
    fs::create_symlink(t.Host("C:\\elsewhere\\b.mdb"), t.Host("C:\\b.mdb"));
    t.files.CopyFile("C:\\a.mdb", "C:\\b.mdb");
    EXPECT_TRUE(fs::is_symlink(t.Host("C:\\b.mdb")));
    EXPECT_EQ(t.Read("C:\\elsewhere\\b.mdb"), "new");
    fs::remove(t.Host("C:\\elsewhere\\b.mdb"));
    EXPECT_EQ(FailureNumber([&] { t.files.CopyFile("C:\\a.mdb", "C:\\b.mdb"); }), 76);
}

TEST(Files, FailedCopyLeavesTheTargetAsItWas) {
    test::TestRun t;
    t.Write("C:\\b.mdb", "old");
    EXPECT_EQ(FailureNumber([&] { t.files.CopyFile("C:\\missing.mdb", "C:\\b.mdb"); }), 53);
    t.Write("C:\\a.mdb", "new");
    ::chmod(t.Host("C:\\b.mdb").c_str(), 0444);  // read-only, as the Windows attribute
    EXPECT_EQ(FailureNumber([&] { t.files.CopyFile("C:\\a.mdb", "C:\\b.mdb"); }), 70);
    EXPECT_EQ(t.Read("C:\\b.mdb"), "old");
}

TEST(Files, LastWriteTimeIsReadAndRestored) {
    test::TestRun t;
    t.Write("C:\\s.mdb", "x");
    auto before = t.files.LastWriteTime("C:\\s.mdb");
    ASSERT_TRUE(before.has_value());
    FileTime past{1'000'000'000LL * 1'500'000'000 + 123};
    EXPECT_TRUE(t.files.SetLastWriteTime("C:\\s.mdb", past));
    EXPECT_EQ(t.files.LastWriteTime("C:\\s.mdb"), past);
    EXPECT_FALSE(t.files.LastWriteTime("C:\\missing").has_value());
    EXPECT_FALSE(t.files.SetLastWriteTime("C:\\missing", past));
}

}  // namespace
}  // namespace calvora
