#include "tests/e2e/run_checks.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
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

CapturedRun RunCaptured(const ProjectFolder& folder, const fs::path& program,
                        const std::vector<std::string>& args) {
    std::vector<std::string> words{program.string()};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<std::string> env = folder.Environment();
    auto pointers = [](std::vector<std::string>& strings) {
        std::vector<char*> result;
        for (std::string& s : strings)
            result.push_back(s.data());
        result.push_back(nullptr);
        return result;
    };
    std::vector<char*> argv = pointers(words);
    std::vector<char*> envp = pointers(env);
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        return {-1, ""};
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(pipeFds[1], STDOUT_FILENO);
        close(pipeFds[0]);
        close(pipeFds[1]);
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    close(pipeFds[1]);
    std::string out;
    char buffer[4096];
    for (ssize_t n; (n = read(pipeFds[0], buffer, sizeof buffer)) != 0;) {
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            break;
        out.append(buffer, static_cast<size_t>(n));
    }
    close(pipeFds[0]);
    return {WaitForProgram(pid, 120), out};
}

}  // namespace calvora::test
