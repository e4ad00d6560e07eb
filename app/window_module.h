// The Qt window lives in a module of its own (app/qt/), loaded only by a run
// that may show a window: a program linked with the window toolkit loads it
// and its dozens of libraries on every start, silent or not.
//
// The module is looked for beside the program file first (where it was
// copied with it), then where the build put it.
#pragma once

#include <memory>
#include <string>

#include "app/window_system.h"

namespace calvora {

// The module's entry point: makes Qt's application object from argc and
// argv (which Qt may change, and which must outlive it) and the window
// system over it.
using WindowModuleEntry = WindowSystem* (*)(int& argc, char** argv);
inline constexpr const char* kWindowModuleEntry = "calvora_qt_window_system";

// The Qt window system, or null when the module cannot be loaded; why then
// tells why (the loader's own words).
std::unique_ptr<WindowSystem> LoadWindowModule(int& argc, char** argv, std::string& why);

}  // namespace calvora
