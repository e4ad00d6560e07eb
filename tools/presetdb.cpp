// presetdb: looking into and making the preset databases of the program.
// The commands and their exit codes: see tools/presetdb_cli.h.
#include <iostream>
#include <string>
#include <vector>

#include "tools/presetdb_cli.h"

int main(int argc, char** argv) {
    const std::vector<std::string> words(argv + 1, argv + argc);
    return calvora::tool::RunPresetdb(words, std::cout, std::cerr);
}
