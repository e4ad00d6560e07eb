#include "tests/e2e/run_checks.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>

#include "platform/ini_profile.h"
#include "tests/presetdb/preset_project.h"

namespace fs = std::filesystem;

namespace calvora::test {

std::string EditedBy(const ProjectFolder& folder) {
    return ReadProfileString(folder.Host(kCfg), "Info", "S_Prog", "(missing)").text;
}

fs::file_time_type AgeFile(const fs::path& file) {
    const fs::file_time_type aged = std::chrono::floor<std::chrono::seconds>(
        fs::last_write_time(file) - std::chrono::hours(24 * 30));
    fs::last_write_time(file, aged);
    return aged;
}

std::vector<std::string> Indexes(const ProjectFolder& folder, const std::string& winPath) {
    return folder.Query(winPath, "SELECT name FROM sqlite_master WHERE type = 'index'");
}

std::vector<std::string> Records(const ProjectFolder& folder, const std::string& winPath,
                                 const std::string& table) {
    return folder.Query(winPath, "SELECT * FROM " + table + " ORDER BY rowid");
}

int RunTool(const fs::path& program, const std::vector<std::string>& args) {
    std::vector<std::string> words{program.string()};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        // The tool's report of what it did would only clutter the test log.
        const int devNull = open("/dev/null", O_WRONLY);
        dup2(devNull, STDOUT_FILENO);
        execv(argv[0], argv.data());
        _exit(127);
    }
    return WaitForProgram(pid, 60);
}

}  // namespace calvora::test
