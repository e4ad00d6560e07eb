#include "app/program_folder.h"

namespace calvora {

std::string InProgramFolder(Process& process, std::string_view fileName) {
    std::string path = ProgramFolder(process);
    if (path.empty() || path.back() != '\\')
        path += '\\';
    return path + std::string(fileName);
}

}  // namespace calvora
