#include "tests/support/german_locale.h"

#include <sys/wait.h>
#include <unistd.h>

#include <clocale>
#include <filesystem>
#include <stdexcept>

namespace fs = std::filesystem;

namespace calvora::test {

GermanLocale::GermanLocale() {
    const char* const localedef = "/usr/bin/localedef";
    const fs::path target = dir_.path() / kName;
    const pid_t pid = fork();
    if (pid == 0) {
        execl(localedef, "localedef", "-i", "de_DE", "-f", "UTF-8", target.c_str(), nullptr);
        _exit(127);
    }
    if (pid > 0)
        waitpid(pid, nullptr, 0);
    // localedef ends with 1 after mere warnings; the compiled category tells
    // whether the locale is there.
    if (!fs::exists(target / "LC_NUMERIC")) {
        problem_ = std::string(localedef) + " could not make " + target.string() +
                   " (it needs the package locales)";
        return;
    }
    locPath_.emplace("LOCPATH", dir_.path().string());
    previousC_ = std::setlocale(LC_ALL, nullptr);
    try {
        // A named C++ locale made global sets the C locale of every category too.
        previousCpp_ = std::locale::global(std::locale(kName));
    } catch (const std::runtime_error& e) {
        problem_ = std::string("the generated ") + kName + " cannot be loaded: " + e.what();
        return;
    }
    if (std::string(std::localeconv()->decimal_point) != ",")
        problem_ = std::string(kName) + " is set but its decimal mark is not a comma";
}

GermanLocale::~GermanLocale() {
    if (previousCpp_)
        std::locale::global(*previousCpp_);
    if (!previousC_.empty())
        std::setlocale(LC_ALL, previousC_.c_str());
}

}  // namespace calvora::test
