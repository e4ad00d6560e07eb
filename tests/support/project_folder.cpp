#include "tests/support/project_folder.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "tests/support/sqlite_file.h"

namespace fs = std::filesystem;

namespace calvora::test {

ProjectFolder::ProjectFolder() {
    fs::create_directories(root_.path() / "c" / "Project" / "Config");
    fs::create_directories(root_.path() / "d");
    fs::create_directories(root_.path() / "home");
}

fs::path ProjectFolder::Host(const std::string& winPath) const {
    std::string letter = winPath.substr(0, 1);
    fs::path p = root_.path() / (letter == "D" || letter == "d" ? "d" : "c");
    std::string rest = winPath.size() > 3 ? winPath.substr(3) : std::string();
    std::string part;
    for (char ch : rest + "\\") {
        if (ch == '\\' || ch == '/') {
            if (!part.empty())
                p /= part;
            part.clear();
        } else {
            part.push_back(ch);
        }
    }
    return p;
}

void ProjectFolder::Write(const std::string& winPath, const std::string& bytes) const {
    WriteFileBytes(Host(winPath), bytes);
}

std::string ProjectFolder::Read(const std::string& winPath) const {
    return ReadFileBytes(Host(winPath));
}

bool ProjectFolder::Exists(const std::string& winPath) const {
    return fs::exists(Host(winPath));
}

void ProjectFolder::CreateDatabase(const std::string& winPath, const std::string& script) const {
    fs::path host = Host(winPath);
    fs::create_directories(host.parent_path());
    fs::remove(host);
    ExecuteScript(host, "BEGIN;" + script + ";COMMIT;");
}

std::vector<std::string> ProjectFolder::Query(const std::string& winPath,
                                              const std::string& sql) const {
    return QueryRows(Host(winPath), sql);
}

fs::path ProjectFolder::BuiltProgram() {
    fs::path program = BuiltBinDir() / "Calvora_Config";
    return fs::exists(program) ? program : fs::path();
}

void ProjectFolder::InstallProgram() const {
    fs::path target = root_.path() / "c" / "Project" / "Config" / "Calvora_Config";
    if (!fs::exists(target))
        fs::copy_file(BuiltProgram(), target);
}

std::vector<std::string> ProjectFolder::Environment() const {
    std::vector<std::string> env = {
        "CONFIG_EXE_DRIVES=C:=" + (root_.path() / "c").string() +
            ";D:=" + (root_.path() / "d").string(),
        "HOME=" + (root_.path() / "home").string(),
        "PATH=/usr/bin:/bin",
        "LANG=C.UTF-8",
        // A sanitizer-built program ignores the libraries' lifelong allocations.
        "LSAN_OPTIONS=suppressions=" CALVORA_LSAN_SUPPRESSIONS ":print_suppressions=0",
    };
    for (const char* name :
         {"QT_QPA_PLATFORM", "DISPLAY", "XAUTHORITY", "ASAN_OPTIONS", "UBSAN_OPTIONS"}) {
        if (const char* value = std::getenv(name))
            env.push_back(std::string(name) + "=" + value);
    }
    return env;
}

pid_t ProjectFolder::Start(const std::vector<std::string>& args,
                           const std::vector<std::string>& extraEnv) const {
    InstallProgram();
    std::string program = (root_.path() / "c" / "Project" / "Config" / "Calvora_Config").string();
    std::vector<std::string> env = extraEnv;
    for (const std::string& e : Environment()) {
        std::string name = e.substr(0, e.find('='));
        bool overridden = false;
        for (const std::string& x : extraEnv)
            overridden |= x.substr(0, x.find('=')) == name;
        if (!overridden)
            env.push_back(e);
    }
    std::vector<char*> argv{program.data()};
    std::vector<std::string> argsCopy = args;
    for (std::string& a : argsCopy)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string cwd = (root_.path() / "c" / "Project" / "Config").string();

    pid_t pid = fork();
    if (pid == 0) {
        if (chdir(cwd.c_str()) != 0)
            _exit(127);
        execve(program.c_str(), argv.data(), envp.data());
        _exit(127);
    }
    return pid;
}

int WaitForProgram(pid_t pid, int timeoutSeconds) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    int status = 0;
    for (;;) {
        pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid)
            break;
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

int ProjectFolder::Run(const std::vector<std::string>& args,
                       const std::vector<std::string>& extraEnv, int timeoutSeconds) const {
    int code = WaitForProgram(Start(args, extraEnv), timeoutSeconds);
    EXPECT_NE(code, -1) << "the program did not end within " << timeoutSeconds << " s";
    return code;
}

}  // namespace calvora::test
