// The German locale de_DE.UTF-8, whose decimal mark is a comma, made the
// process's locale (C and C++, every category) for the length of a scope.
// The locale is generated with localedef into a private folder found through
// LOCPATH, so a test depends only on localedef and the locale sources of the
// package "locales", not on which locales the machine has installed. The
// destructor gives back the previous C and C++ locales and LOCPATH.
//
//   GermanLocale german;
//   ASSERT_TRUE(german.Problem().empty()) << german.Problem();
//   ... code that must not take the decimal comma ...
#pragma once

#include <locale>
#include <optional>
#include <string>

#include "tests/support/environment.h"
#include "tests/support/test_run.h"

namespace calvora::test {

class GermanLocale {
  public:
    static constexpr const char* kName = "de_DE.UTF-8";

    GermanLocale();
    ~GermanLocale();
    GermanLocale(const GermanLocale&) = delete;
    GermanLocale& operator=(const GermanLocale&) = delete;

    // Empty when the German locale is in effect; otherwise why it could not
    // be made or set, and the previous locale is still in effect. A test
    // fails on it rather than proving nothing in the C locale.
    const std::string& Problem() const { return problem_; }

  private:
    TempDir dir_;
    std::optional<ScopedEnv> locPath_;
    std::string problem_;
    std::string previousC_;
    std::optional<std::locale> previousCpp_;
};

}  // namespace calvora::test
