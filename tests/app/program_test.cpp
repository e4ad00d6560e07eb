// The real program started without any display.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

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

TEST_F(HeadlessProgramTest, SilentStartNeedsNoWindowAndCompletes) {
    const int exitCode = project.Run({"/EXTERNAL=SILENT"}, kNoDisplay);
    EXPECT_TRUE(exitCode == exitcode::kClean || exitCode == exitcode::kAfterFailures) << exitCode;
    EXPECT_NE(project.Read(kCfg).find("S_Prog=1.0.1 - Standalone\r\n"), std::string::npos);
    EXPECT_NE(project.Read("C:\\Project\\Config\\Calvora_Config.ini").find("Language=1031"),
              std::string::npos);
}

// The shared objects a run loaded, as the system's loader lists them.
std::string LoadedObjects(ProjectFolder& project, const std::vector<std::string>& args,
                          std::vector<std::string> env) {
    const std::filesystem::path prefix = project.Root() / "loader";
    env.push_back("LD_DEBUG=files");
    env.push_back("LD_DEBUG_OUTPUT=" + prefix.string());
    const int exitCode = project.Run(args, env);
    EXPECT_TRUE(exitCode == exitcode::kClean || exitCode == exitcode::kAfterFailures) << exitCode;
    std::string listed;
    for (const auto& entry : std::filesystem::directory_iterator(project.Root())) {
        if (entry.path().filename().string().starts_with("loader.")) {
            std::ifstream in(entry.path());
            listed.append(std::istreambuf_iterator<char>(in), {});
            in.close();
            std::filesystem::remove(entry.path());
        }
    }
    EXPECT_NE(listed.find("libsqlite3"), std::string::npos) << "nothing listed";
    return listed;
}

// A silent run that nobody could watch loads no window toolkit at all: it
// would cost the run more than its own work on a small project. A start
// that may show the dialog loads the window module.
TEST_F(HeadlessProgramTest, OnlyAStartThatMayShowTheDialogLoadsTheWindowToolkit) {
    struct Case {
        std::vector<std::string> args;
        std::vector<std::string> env;
        bool window;
    };
    const std::vector<Case> cases = {
        {{"/EXTERNAL=SILENT"}, kNoDisplay, false},
        {{"/EXTERNAL=SILENT"}, {"QT_QPA_PLATFORM=offscreen"}, false},
        {{"/EXTERNAL=SILENT"}, {"QT_QPA_PLATFORM=minimal:enable_fonts"}, false},
        {{}, {"QT_QPA_PLATFORM=offscreen"}, true},
    };
    for (const Case& c : cases) {
        const std::string listed = LoadedObjects(project, c.args, c.env);
        const std::string context = (c.args.empty() ? "standalone " : "silent ") + c.env.front();
        EXPECT_EQ(listed.find("Calvora_Config_window") != std::string::npos, c.window) << context;
        EXPECT_EQ(listed.find("libQt6Widgets") != std::string::npos, c.window) << context;
    }
    // Copied along with the program, the module is taken from beside it:
    // on another machine, the build's copy is not there.
    const std::filesystem::path beside =
        project.Host("C:\\Project\\Config\\Calvora_Config_window.so");
    std::filesystem::copy_file(ProjectFolder::BuiltProgram().parent_path() / beside.filename(),
                               beside);
    EXPECT_NE(LoadedObjects(project, {}, {"QT_QPA_PLATFORM=offscreen"}).find(beside.string()),
              std::string::npos);
}

TEST_F(HeadlessProgramTest, StartByHandWithoutDisplayEndsBeforeAnythingRuns) {
    EXPECT_EQ(project.Run({}, kNoDisplay), exitcode::kEndedByError);
    EXPECT_EQ(project.Read(kCfg), "[Project]\r\nValidMachines=1\r\n");
    EXPECT_FALSE(project.Exists("C:\\Project\\Config\\Calvora_Config.ini"));
}

// Every file below root (but the program itself) with its bytes and time.
std::map<std::string, std::string> Snapshot(const std::filesystem::path& root) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file() || entry.path().filename() == "Calvora_Config")
            continue;
        std::ifstream in(entry.path(), std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf()
              << std::filesystem::last_write_time(entry.path()).time_since_epoch().count();
        files[entry.path().string()] = bytes.str();
    }
    return files;
}

// The built program's stdout for one argument; exit code in code.
std::string Output(const std::string& argument, int& code) {
    FILE* pipe = popen((ProjectFolder::BuiltProgram().string() + " " + argument).c_str(), "r");
    std::string out;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        out.append(buffer, n);
    const int status = pclose(pipe);
    code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return out;
}

TEST_F(HeadlessProgramTest, HelpAndVersionPrintAndLeaveTheProjectAlone) {
    project.CreateDatabase("C:\\Project\\Calvora\\Calvora.mdb",
                           "CREATE TABLE PRESET_DEFS (ID LONG);");
    for (const char* argument : {"--help", "--version"}) {
        const auto before = Snapshot(project.Root());
        // Offscreen, a run would go ahead and rewrite the project.
        EXPECT_EQ(project.Run({argument}), exitcode::kClean) << argument;
        EXPECT_EQ(Snapshot(project.Root()), before) << argument;
    }
    int code = -1;
    EXPECT_EQ(Output("--version", code), "Calvora_Config 1.0.1\n");
    EXPECT_EQ(code, 0);
    const std::string help = Output("--help", code);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(help.find("usage: Calvora_Config [/EXTERNAL=SILENT"), 0u) << help;
}

// Before the start mode is known even a silent start reports in boxes; here
// the TRX configuration file is a link to itself, so its existence check
// fails first. Without a display nobody could answer: the box goes to the
// service log, takes a silent run's answer, and the run ends by itself.
TEST_F(HeadlessProgramTest, SilentStartsFirstFailureGoesToTheServiceLog) {
    const std::filesystem::path trx = project.Host("C:\\Project\\parameter\\trxconfiguration.ini");
    std::filesystem::create_directories(trx.parent_path());
    std::filesystem::create_symlink(trx, trx);
    const int exitCode = project.Run({"/EXTERNAL=SILENT"}, kNoDisplay, 60);
    EXPECT_EQ(exitCode, exitcode::kAfterFailures);
    const std::string log = project.Read("C:\\BrantorServicePack.log");
    EXPECT_NE(log.find("! Fault Calvora_Config: "), std::string::npos) << log;
    EXPECT_NE(log.find("Resume?"), std::string::npos) << log;
    EXPECT_NE(project.Read(kCfg).find("S_Prog=1.0.1 - Standalone\r\n"), std::string::npos);
}

// An integrated start that cannot show its dialog ends at once; the calling
// tool finds the reason in the error log it named.
TEST_F(HeadlessProgramTest, IntegratedStartWithoutDisplayLogsWhyItEnds) {
    std::filesystem::create_directories(project.Host("C:\\Project\\log"));
    EXPECT_EQ(project.Run({"/EXTERNAL=TRXCFG", "/LOGFILE=C:\\Project\\log\\trx.txt"}, kNoDisplay),
              exitcode::kEndedByError);
    // The command line upper-cases the LOGFILE value; the new file is named so.
    EXPECT_EQ(project.Read("C:\\Project\\log\\TRX.TXT"),
              "Calvora_Config: no display for its dialog; start it with /EXTERNAL=SILENT to run "
              "without one.\r\n");
    EXPECT_EQ(project.Read(kCfg), "[Project]\r\nValidMachines=1\r\n");
}

// A start that may show the dialog but cannot load its window ends before
// anything runs, and an integrated one says why in its error log. The module
// beside the program is taken first, even when it is no module at all.
TEST_F(HeadlessProgramTest, IntegratedStartWithoutItsWindowLogsWhyItEnds) {
    std::filesystem::create_directories(project.Host("C:\\Project\\log"));
    project.Write("C:\\Project\\Config\\Calvora_Config_window.so", "not a module");
    EXPECT_EQ(project.Run({"/EXTERNAL=TRXCFG", "/LOGFILE=C:\\Project\\log\\trx.txt"},
                          {"QT_QPA_PLATFORM=offscreen"}),
              exitcode::kEndedByError);
    EXPECT_EQ(project.Read("C:\\Project\\log\\TRX.TXT")
                  .rfind("Calvora_Config: cannot load its window: ", 0),
              0u);
    EXPECT_EQ(project.Read(kCfg), "[Project]\r\nValidMachines=1\r\n");
}

}  // namespace
}  // namespace calvora::test
