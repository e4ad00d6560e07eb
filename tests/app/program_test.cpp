// The real program started without any display.
#include <gtest/gtest.h>

#include <cstdlib>

#include "errors/error_protocol.h"
#include "tests/support/project_folder.h"

namespace calvora::test {
namespace {

const std::string kCfg = "C:\\Project\\Calvora\\Calvora.cfg";
const std::vector<std::string> kNoDisplay{"QT_QPA_PLATFORM=", "DISPLAY=", "WAYLAND_DISPLAY="};

class HeadlessProgramTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(ProjectFolder::BuiltProgram().empty()) << "Calvora_Config is not built";
        project.Write(kCfg, "[Project]\r\nValidMachines=1\r\n");
    }
    ProjectFolder project;
};

TEST_F(HeadlessProgramTest, SilentStartDrawsOffScreenAndCompletes) {
    const int exitCode = project.Run({"/EXTERNAL=SILENT"}, kNoDisplay);
    EXPECT_TRUE(exitCode == exitcode::kClean || exitCode == exitcode::kAfterFailures) << exitCode;
    EXPECT_NE(project.Read(kCfg).find("S_Prog=1.0.1 - Standalone\r\n"), std::string::npos);
    EXPECT_NE(project.Read("C:\\Project\\Config\\Calvora_Config.ini").find("Language=1031"),
              std::string::npos);
}

TEST_F(HeadlessProgramTest, StartByHandWithoutDisplayEndsBeforeAnythingRuns) {
    EXPECT_EQ(project.Run({}, kNoDisplay), exitcode::kEndedByError);
    EXPECT_EQ(project.Read(kCfg), "[Project]\r\nValidMachines=1\r\n");
    EXPECT_FALSE(project.Exists("C:\\Project\\Config\\Calvora_Config.ini"));
}

}  // namespace
}  // namespace calvora::test
