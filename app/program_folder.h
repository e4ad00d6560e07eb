// Files beside the program file.
#pragma once

#include <string>
#include <string_view>

#include "platform/process.h"

namespace calvora {

// The program folder + "\" + fileName; a drive root ("C:\") already ends in
// its separator and gets no second one.
std::string InProgramFolder(Process& process, std::string_view fileName);

}  // namespace calvora
