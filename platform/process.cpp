#include "platform/process.h"

#include <filesystem>
#include <system_error>

#include "platform/paths.h"

namespace calvora {

std::string ProgramFolder(Process& p) {
    std::string file = p.ProgramFile();
    size_t slash = file.rfind('\\');
    if (slash == std::string::npos)
        return std::string();
    std::string folder = file.substr(0, slash);
    if (folder.size() == 2 && folder[1] == ':')
        folder += '\\';  // a drive root keeps its '\'
    return folder;
}

std::string ProgramFileName(Process& p) {
    std::string file = p.ProgramFile();
    size_t slash = file.rfind('\\');
    return slash == std::string::npos ? file : file.substr(slash + 1);
}

std::string ProgramName(Process& p) {
    std::string name = ProgramFileName(p);
    size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

HostProcess::HostProcess(int argc, char** argv, char** envp, const PathModel& paths) {
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            commandLine_ += ' ';
        commandLine_ += argv[i];
    }
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec && argc > 0)
        exe = std::filesystem::absolute(argv[0], ec);
    programFile_ = paths.ToWindows(exe);
    if (envp && envp[0])
        firstEnv_ = envp[0];
}

Version HostProcess::ProgramVersion() {
    return {CALVORA_VERSION_MAJOR, CALVORA_VERSION_MINOR, CALVORA_VERSION_PATCH};
}

}  // namespace calvora
