// Environment variables set for the length of a scope: the constructor sets
// (or, with nullopt, removes) the variable, the destructor puts back what was
// there before, also when the test fails in between.
//
//   ScopedEnv drives("CONFIG_EXE_DRIVES", "C:=/srv/drive_c");
//   ScopedEnv noXdg("XDG_STATE_HOME", std::nullopt);
#pragma once

#include <optional>
#include <string>

namespace calvora::test {

class ScopedEnv {
  public:
    ScopedEnv(std::string name, const std::optional<std::string>& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    std::string name_;
    std::optional<std::string> previous_;
};

}  // namespace calvora::test
