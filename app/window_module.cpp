#include "app/window_module.h"

#include <dlfcn.h>

#include <filesystem>
#include <system_error>
#include <vector>

namespace calvora {

namespace {

std::vector<std::string> Candidates() {
    std::vector<std::string> paths;
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error)
        paths.push_back((program.parent_path() / CALVORA_WINDOW_MODULE_NAME).string());
    paths.push_back(CALVORA_WINDOW_MODULE_BUILT);
    return paths;
}

}  // namespace

std::unique_ptr<WindowSystem> LoadWindowModule(int& argc, char** argv, std::string& why) {
    why.clear();
    for (const std::string& path : Candidates()) {
        std::error_code error;
        if (!std::filesystem::exists(path, error)) {
            if (!why.empty())
                why += "; ";
            why.append(path).append(": no such file");
            continue;
        }
        // The module stays loaded until the process ends: Qt's objects and
        // exit handlers live in it.
        void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (module == nullptr) {
            why = dlerror();
            return nullptr;
        }
        auto entry = reinterpret_cast<WindowModuleEntry>(dlsym(module, kWindowModuleEntry));
        if (entry == nullptr) {
            why = dlerror();
            return nullptr;
        }
        return std::unique_ptr<WindowSystem>(entry(argc, argv));
    }
    return nullptr;
}

}  // namespace calvora
