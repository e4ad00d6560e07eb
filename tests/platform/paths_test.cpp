#include "platform/paths.h"

#include <gtest/gtest.h>

#include <fstream>

#include "tests/support/environment.h"
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

// Where drives C:, D: and Z: lead ("-" for a drive that does not exist).
std::string DriveRoots(const PathModel& model) {
    std::string out;
    for (const char* drive : {"C:", "D:", "Z:"}) {
        auto host = model.ToHost(drive);
        out += std::string(drive) + (host ? host->string() : "-") + " ";
    }
    return out;
}

TEST(PathModelFromEnvironment, ReadsTheDriveTableAndReportsEachEntryLeftOut) {
    struct Case {
        const char* name;
        const char* table;
        std::string roots;
        std::vector<std::string> ignored;  // the entries reported, in order
    };
    const std::string defaultC = "C:/state/config-exe/drive_c ";
    const Case cases[] = {
        {"two drives", "C:=/srv/drive_c;D:=/mnt/backup", "C:/srv/drive_c D:/mnt/backup Z:/ ", {}},
        {"blanks and empty entries", " D:=/mnt/d ;;", defaultC + "D:/mnt/d Z:/ ", {}},
        {"lower-case letter", "d:=/mnt/d", defaultC + "D:/mnt/d Z:/ ", {}},
        {"Z: mapped elsewhere", "Z:=/srv/z", defaultC + "D:- Z:/srv/z ", {}},
        {"no equals sign", "D:/mnt/d;C:=/c", "C:/c D:- Z:/ ", {"D:/mnt/d"}},
        {"no colon", "D=/mnt/d", defaultC + "D:- Z:/ ", {"D=/mnt/d"}},
        {"no letter", "1:=/x;:=/y", defaultC + "D:- Z:/ ", {"1:=/x", ":=/y"}},
        {"a letter twice", "D:=/first;d:=/second", defaultC + "D:/first Z:/ ", {"d:=/second"}},
        {"relative host folder", "D:=mnt/d", defaultC + "D:- Z:/ ", {"D:=mnt/d"}},
        {"no host folder", "D:=", defaultC + "D:- Z:/ ", {"D:="}},
    };
    test::ScopedEnv xdg("XDG_STATE_HOME", "/state");
    for (const Case& c : cases) {
        test::ScopedEnv drives("CONFIG_EXE_DRIVES", c.table);
        PathModel model = PathModel::FromEnvironment();
        EXPECT_EQ(DriveRoots(model), c.roots) << c.name;
        const std::vector<std::string>& ignored = model.IgnoredDriveEntries();
        ASSERT_EQ(ignored.size(), c.ignored.size()) << c.name;
        for (size_t i = 0; i < ignored.size(); ++i)
            EXPECT_NE(ignored[i].find("\"" + c.ignored[i] + "\""), std::string::npos)
                << c.name << ": " << ignored[i];
    }
}

TEST(PathModelFromEnvironment, UnmappedCIsTheXdgStateFolderElseTheHomeFolder) {
    struct Case {
        std::optional<std::string> xdgStateHome, home;
        std::string roots;
    };
    const Case cases[] = {
        {"/xdg", "/home/u", "C:/xdg/config-exe/drive_c D:- Z:/ "},
        {std::nullopt, "/home/u", "C:/home/u/.local/state/config-exe/drive_c D:- Z:/ "},
        {"", "/home/u", "C:/home/u/.local/state/config-exe/drive_c D:- Z:/ "},
    };
    test::ScopedEnv drives("CONFIG_EXE_DRIVES", std::nullopt);
    for (const Case& c : cases) {
        test::ScopedEnv xdg("XDG_STATE_HOME", c.xdgStateHome);
        test::ScopedEnv home("HOME", c.home);
        PathModel model = PathModel::FromEnvironment();
        EXPECT_EQ(DriveRoots(model), c.roots) << c.xdgStateHome.value_or("(unset)");
        EXPECT_TRUE(model.IgnoredDriveEntries().empty());
        // Relative paths start at the process's current directory.
        EXPECT_EQ(*model.ToHost("x"), fs::current_path() / "x");
    }
}

}  // namespace
}  // namespace calvora
