// A preview is a real run on a copy: the report it prints is the one a run
// on the project would write, because the same program reads the same files
// under the same Windows paths. Only where the run would write is different:
// every drive it could write to is a folder of the temporary tree.
#include "tools/presetdb_preview.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>

#include "account/history.h"
#include "platform/failure.h"
#include "platform/ini_profile.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "tools/presetdb_history.h"

extern char** environ;

namespace fs = std::filesystem;

namespace calvora::tool {

namespace {

constexpr const char* kProgram = "Calvora_Config";

// A temporary folder, removed with everything in it.
class TempTree {
  public:
    TempTree() {
        fs::path base = fs::temp_directory_path() / "presetdb-preview-XXXXXX";
        std::string name = base.string();
        if (::mkdtemp(name.data()) == nullptr)
            RaiseRuntime(err::kPathFileAccess,
                         "Cannot create a temporary folder in " + base.parent_path().string());
        path_ = name;
    }
    ~TempTree() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    const fs::path& Path() const { return path_; }

  private:
    fs::path path_;
};

char DriveOf(const std::string& winPath) {
    return winPath.size() >= 2 && winPath[1] == ':' ? UCase(winPath.substr(0, 1))[0] : '\0';
}

// The host path below a drive's temporary root of a Windows path "X:\a\b".
fs::path Below(const fs::path& root, const std::string& winPath) {
    fs::path result = root;
    std::string rest = winPath.substr(2);
    size_t start = 0;
    while (start <= rest.size()) {
        size_t end = rest.find_first_of("\\/", start);
        std::string part = rest.substr(start, end == std::string::npos ? end : end - start);
        if (!part.empty())
            result /= part;
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return result;
}

// The value of /LOGFILE= in the command line (up to the next '/'), or "".
std::string LogFileSwitch(const std::string& commandLine) {
    std::string upper = UCase(commandLine);
    size_t at = upper.find("/LOGFILE");
    if (at == std::string::npos || at + 9 > commandLine.size())
        return "";
    std::string value = commandLine.substr(at + 9);
    return Trim(value.substr(0, value.find('/')));
}

// Copies the project, then gives every file back the access time it had, so
// that the copy leaves no trace on the project.
void CopyProject(const fs::path& from, const fs::path& to) {
    std::vector<std::pair<fs::path, struct timespec>> accessTimes;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(from)) {
        struct stat st {};
        if (::lstat(entry.path().c_str(), &st) == 0)
            accessTimes.emplace_back(entry.path(), st.st_atim);
    }
    fs::create_directories(to.parent_path());
    fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    for (const auto& [path, atime] : accessTimes) {
        struct timespec times[2] = {atime, {0, UTIME_OMIT}};
        ::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW);
    }
}

// The program folder of the copy holding the program; the program beside
// presetdb is copied into <copy>/Config when the project has none.
fs::path InstallProgram(const fs::path& copy) {
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(copy))
        if (entry.is_directory(ec) && fs::is_regular_file(entry.path() / kProgram, ec))
            return entry.path() / kProgram;
    fs::path beside = fs::read_symlink("/proc/self/exe", ec).parent_path() / kProgram;
    if (!fs::is_regular_file(beside, ec))
        RaiseRuntime(err::kFileNotFound, std::string("File not found: ") + kProgram +
                                             " neither in the project's program folder nor "
                                             "beside presetdb");
    fs::create_directories(copy / "Config");
    fs::copy_file(beside, copy / "Config" / kProgram);
    return copy / "Config" / kProgram;
}

// An integrated run reads the machine's program INI file and machine copy
// from the project's save-and-restore folder. Where that folder lies on a
// redirected drive outside the project, those two files are copied to the
// same Windows paths in the temporary tree, so the run finds what it would.
void CopySaveAndRestoreFiles(const PathModel& real, const std::string& projectWin,
                             const std::map<char, fs::path>& redirected) {
    // Read in the copy: a read of the project's own file would move its
    // access time.
    const PathModel copy(redirected, "/", redirected.at('C'));
    std::optional<fs::path> trxIni = copy.ToHost(projectWin + "\\parameter\\trxconfiguration.ini");
    if (!trxIni)
        return;
    std::string folder = ReadProfileString(*trxIni, "Common", "SaveAndRestore", "").text;
    while (folder.ends_with('\\'))
        folder.pop_back();
    auto drive = redirected.find(DriveOf(folder));
    if (drive == redirected.end() || UCase(folder + "\\").starts_with(UCase(projectWin + "\\")))
        return;
    for (const std::string& file :
         {folder + "\\parameter\\program.ini", folder + "\\" + kUnit + "\\" + kUnit + ".mdb"}) {
        std::optional<fs::path> from = real.ToHost(file);
        std::error_code ec;
        if (!from || !fs::is_regular_file(*from, ec))
            continue;
        fs::path to = Below(drive->second, file);
        fs::create_directories(to.parent_path());
        struct stat st {};
        ::lstat(from->c_str(), &st);
        fs::copy_file(*from, to);
        struct timespec times[2] = {st.st_atim, {0, UTIME_OMIT}};
        ::utimensat(AT_FDCWD, from->c_str(), times, 0);
    }
}

// The drive table of the preview: each redirected drive, then the user's own
// entries for the other letters (the program takes the first entry of a
// letter and names every later one as ignored).
std::string DriveTable(const std::map<char, fs::path>& redirected) {
    std::string table;
    for (const auto& [letter, root] : redirected)
        table += (table.empty() ? "" : ";") + std::string(1, letter) + ":=" + root.string();
    const char* own = std::getenv("CONFIG_EXE_DRIVES");
    std::string_view rest = own ? own : "";
    while (!rest.empty()) {
        const size_t end = rest.find(';');
        const std::string_view entry = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        const size_t letterAt = entry.find_first_not_of(" \t");
        if (letterAt == std::string_view::npos)
            continue;
        const char letter =
            static_cast<char>(std::toupper(static_cast<unsigned char>(entry[letterAt])));
        if (!redirected.contains(letter))
            table += (table.empty() ? "" : ";") + std::string(entry);
    }
    return table;
}

int RunProgram(const fs::path& program, const std::vector<std::string>& args,
               const std::string& driveTable) {
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e)
        if (!std::string_view(*e).starts_with("CONFIG_EXE_DRIVES="))
            env.emplace_back(*e);
    env.push_back("CONFIG_EXE_DRIVES=" + driveTable);
    std::vector<std::string> argv = {program.string()};
    argv.insert(argv.end(), args.begin(), args.end());
    auto pointers = [](std::vector<std::string>& strings) {
        std::vector<char*> result;
        for (std::string& s : strings)
            result.push_back(s.data());
        result.push_back(nullptr);
        return result;
    };
    std::vector<char*> argvp = pointers(argv);
    std::vector<char*> envp = pointers(env);
    // The run's own summary line names the temporary report; the preview
    // prints the report itself instead.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addchdir_np(&actions, program.parent_path().c_str());
    pid_t pid = 0;
    int error = posix_spawn(&pid, argvp[0], &actions, nullptr, argvp.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0)
        RaiseRuntime(err::kPathFileAccess, "Cannot start " + program.string());
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::string ReportOf(const fs::path& copy) {
    std::vector<history::KeptRun> runs = history::ListRuns(history::FolderOf(copy, kUnit), kUnit);
    if (runs.empty() || runs.front().report.empty())
        RaiseRuntime(err::kFileNotFound, "File not found: the run wrote no report");
    std::ifstream in(runs.front().report, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    std::string text = FromWindows1252(bytes.str());
    std::erase(text, '\r');
    return text;
}

}  // namespace

int RunPreview(const PreviewOptions& options, std::ostream& out, std::ostream& err) {
    int exitCode = kFailure;
    int result = Guarded(err, [&] {
        std::error_code ec;
        fs::path project = fs::canonical(options.project, ec);
        if (ec || !fs::is_directory(project))
            RaiseRuntime(err::kPathNotFound, "Path not found: " + options.project);
        std::vector<std::string> args = options.programArgs;
        if (args.empty())
            args = {"/EXTERNAL=SILENT"};
        std::string commandLine;
        for (const std::string& arg : args)
            commandLine += (commandLine.empty() ? "" : " ") + arg;

        TempTree tree;
        const PathModel real = PathModel::FromEnvironment();
        const std::string projectWin = real.ToWindows(project);
        std::map<char, fs::path> redirected;
        std::string logFile = LogFileSwitch(commandLine);
        for (char drive : {DriveOf(projectWin), 'C', DriveOf(logFile)})
            if (drive != '\0')
                redirected[drive] = tree.Path() / std::string(1, drive);
        for (const auto& [letter, root] : redirected)
            fs::create_directories(root);
        if (DriveOf(logFile) != '\0')
            fs::create_directories(Below(redirected[DriveOf(logFile)], logFile).parent_path());

        const fs::path copy = Below(redirected[DriveOf(projectWin)], projectWin);
        CopyProject(project, copy);
        CopySaveAndRestoreFiles(real, projectWin, redirected);
        exitCode = RunProgram(InstallProgram(copy), args, DriveTable(redirected));
        out << ReportOf(copy);
    });
    return result == kSuccess ? exitCode : kFailure;
}

void AddPreviewCommand(CLI::App& app, std::ostream& out, std::ostream& err, int& exitCode) {
    auto options = std::make_shared<PreviewOptions>();
    CLI::App* cmd =
        app.add_subcommand("preview", "the report a run would write, the project left as it is");
    cmd->add_option("PROJECT", options->project, "the project folder")->required();
    cmd->add_option("ARGUMENTS", options->programArgs,
                    "the program's command line (default: /EXTERNAL=SILENT); put -- before it "
                    "when it starts with -");
    cmd->footer("Exit code: the run's (0 to 3), or 2 when no run or report could be made.");
    cmd->callback([options, &out, &err, &exitCode] { exitCode = RunPreview(*options, out, err); });
}

}  // namespace calvora::tool
