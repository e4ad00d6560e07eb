#include "platform/files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

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
