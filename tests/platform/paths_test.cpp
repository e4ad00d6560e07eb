#include "platform/paths.h"

#include <gtest/gtest.h>

#include <fstream>

#include "tests/support/test_run.h"

namespace fs = std::filesystem;

namespace calvora {
namespace {

class PathModelTest : public ::testing::Test {
  protected:
    PathModelTest()
        : c(tmp.path() / "c"),
          d(tmp.path() / "d"),
          model({{'C', c}, {'D', d}}, c / "Project", tmp.path() / "default_c") {
        fs::create_directories(c / "Project" / "Config");
        fs::create_directories(c / "Project" / "parameter");
        std::ofstream(c / "Project" / "parameter" / "Program.ini") << "";
        fs::create_directories(d);
    }
    test::TempDir tmp;
    fs::path c, d;
    PathModel model;
};

TEST_F(PathModelTest, MapsDrivesAndFindsComponentsWithoutRegardToCase) {
    EXPECT_EQ(*model.ToHost("C:\\Project\\parameter\\Program.ini"),
              c / "Project" / "parameter" / "Program.ini");
    // Projects come from a case-blind file system.
    EXPECT_EQ(*model.ToHost("c:\\PROJECT\\Parameter\\program.ini"),
              c / "Project" / "parameter" / "Program.ini");
    // A component that exists in no spelling keeps its own, so it can be created.
    EXPECT_EQ(*model.ToHost("C:\\project\\New\\File.TXT"), c / "Project" / "New" / "File.TXT");
    // Both separators work, as the Windows file calls accept both.
    EXPECT_EQ(*model.ToHost("D:/a\\b"), d / "a" / "b");
}

TEST_F(PathModelTest, RootRelativeAndRelativePaths) {
    EXPECT_EQ(*model.ToHost("\\parameter\\x.ini"), c / "parameter" / "x.ini");
    EXPECT_EQ(*model.ToHost("Config"), c / "Project" / "Config");
    EXPECT_EQ(*model.ToHost("C:\\Project\\..\\..\\x"), c / "x");  // never above the drive
}

TEST_F(PathModelTest, UnmappedDrivesDoNotExist) {
    EXPECT_FALSE(model.ToHost("Q:\\anything").has_value());
    EXPECT_FALSE(model.ToHost("").has_value());
    EXPECT_FALSE(model.ToHost("\\\\server\\share\\x").has_value());
    EXPECT_EQ(*model.ToHost("Z:\\tmp"), fs::path("/tmp"));
}

TEST_F(PathModelTest, HostToWindowsTakesTheLongestDrivePrefix) {
    EXPECT_EQ(model.ToWindows(c / "Project" / "Config"), "C:\\Project\\Config");
    EXPECT_EQ(model.ToWindows(c), "C:\\");
    EXPECT_EQ(model.ToWindows(d / "x"), "D:\\x");
    EXPECT_EQ(model.ToWindows("/srv/p/Config"), "Z:\\srv\\p\\Config");
}

TEST(PathModelDefaults, UnmappedCIsAPerUserFolderCreatedOnWrite) {
    test::TempDir tmp;
    PathModel model({}, "/", tmp.path() / "state" / "drive_c");
    EXPECT_EQ(*model.ToHost("C:\\BrantorServicePack.log"),
              tmp.path() / "state" / "drive_c" / "BrantorServicePack.log");
    EXPECT_FALSE(fs::exists(tmp.path() / "state"));
    model.PrepareForWrite("C:\\BrantorServicePack.log");
    EXPECT_TRUE(fs::is_directory(tmp.path() / "state" / "drive_c"));
}

}  // namespace
}  // namespace calvora
