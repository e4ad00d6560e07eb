#include "account/history.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <system_error>

#include "platform/failure.h"
#include "platform/files.h"
#include "platform/text.h"

namespace fs = std::filesystem;

namespace calvora::history {

namespace {

std::string Format(std::chrono::system_clock::time_point t, const char* format) {
    std::time_t time = std::chrono::system_clock::to_time_t(t);
    std::tm local{};
    localtime_r(&time, &local);
    char buffer[32];
    std::strftime(buffer, sizeof buffer, format, &local);
    return buffer;
}

// The stamp and its number ("…-2" is 2, none is 1) for ordering.
std::pair<std::string, long> OrderOf(const std::string& stamp) {
    // A plain stamp is "YYYYMMDD-HHMMSS", 15 characters.
    if (stamp.size() > 16 && stamp[15] == '-')
        return {stamp.substr(0, 15), std::strtol(stamp.c_str() + 16, nullptr, 10)};
    return {stamp, 1};
}

// dir/name, or the entry of dir whose name equals it without regard to case.
fs::path Child(const fs::path& dir, const std::string& name) {
    std::error_code ec;
    if (fs::exists(dir / name, ec))
        return dir / name;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir, ec))
        if (EqualsNoCase(entry.path().filename().string(), name))
            return entry.path();
    return dir / name;
}

}  // namespace

fs::path FolderOf(const fs::path& project, const std::string& unit) {
    return Child(Child(project, unit), kFolderName);
}

std::string FileStamp(std::chrono::system_clock::time_point t) {
    return Format(t, "%Y%m%d-%H%M%S");
}

std::string DisplayTime(std::chrono::system_clock::time_point t) {
    return Format(t, "%Y-%m-%d %H:%M:%S");
}

std::string ReserveRun(const fs::path& folder, const std::string& unit, const std::string& stamp) {
    std::error_code ec;
    fs::create_directory(folder, ec);
    if (ec)
        RaiseFileError(ec.value(), folder.string());
    for (int n = 1;; ++n) {
        std::string name = unit + "." + stamp;
        if (n > 1)
            name.append("-").append(std::to_string(n));
        fs::path report = folder / (name + kReportTextSuffix);
        // O_EXCL: of two runs trying the same name, exactly one creates it.
        int fd = ::open(report.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            return name;
        }
        if (errno != EEXIST)
            RaiseFileError(errno, report.string());
    }
}

void KeepBackup(const fs::path& file, const fs::path& folder, const std::string& name) {
    fs::path target = folder / (name + kBackupSuffix);
    CopyFileAtomically(file, target, target.string(), file.string());
}

void WriteReportFiles(const fs::path& folder, const std::string& name, const std::string& text,
                      const std::string& json) {
    // Lines are copied whole; memchr finds their ends.
    std::string crlf;
    crlf.reserve(text.size() + text.size() / 32);
    for (size_t pos = 0; pos < text.size();) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        crlf.append(text, pos, end - pos);
        if (end < text.size())
            crlf += "\r\n";
        pos = end + 1;
    }
    fs::path jsonPath = folder / (name + kReportJsonSuffix);
    fs::path textPath = folder / (name + kReportTextSuffix);
    ReplaceFileAtomically(jsonPath, json, jsonPath.string());
    ReplaceFileAtomically(textPath, ToWindows1252(crlf), textPath.string());
}

std::vector<KeptRun> ListRuns(const fs::path& folder, const std::string& unit) {
    std::vector<KeptRun> runs;
    std::error_code ec;
    const std::string prefix = unit + ".";
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, ec)) {
        std::string file = entry.path().filename().string();
        if (!file.starts_with(prefix))
            continue;
        std::string name;
        bool backup = false;
        for (const char* suffix : {kBackupSuffix, kReportTextSuffix}) {
            if (file.ends_with(suffix) && file.size() > prefix.size() + std::strlen(suffix)) {
                name = file.substr(0, file.size() - std::strlen(suffix));
                backup = suffix == kBackupSuffix;
            }
        }
        if (name.empty())
            continue;
        auto at = std::find_if(runs.begin(), runs.end(),
                               [&](const KeptRun& run) { return run.name == name; });
        if (at == runs.end()) {
            runs.push_back({name, name.substr(prefix.size()), {}, {}});
            at = runs.end() - 1;
        }
        (backup ? at->backup : at->report) = entry.path();
    }
    std::sort(runs.begin(), runs.end(), [](const KeptRun& a, const KeptRun& b) {
        return OrderOf(a.stamp) > OrderOf(b.stamp);
    });
    return runs;
}

void PruneRuns(const fs::path& folder, const std::string& unit, int keep,
               const std::string& current) {
    std::error_code ec;
    // The current run counts as one of those kept.
    int othersKept = keep - 1;
    for (const KeptRun& run : ListRuns(folder, unit)) {
        if (run.name == current) {
            if (keep <= 0 && !run.backup.empty())
                fs::remove(run.backup, ec);
            continue;
        }
        if (othersKept > 0) {
            --othersKept;
            continue;
        }
        if (!run.backup.empty())
            fs::remove(run.backup, ec);
        if (!run.report.empty())
            fs::remove(run.report, ec);
        fs::remove(folder / (run.name + kReportJsonSuffix), ec);
    }
}

}  // namespace calvora::history
