#include "tests/support/environment.h"

#include <cstdlib>

namespace calvora::test {

namespace {

void Put(const std::string& name, const std::optional<std::string>& value) {
    if (value)
        setenv(name.c_str(), value->c_str(), 1);
    else
        unsetenv(name.c_str());
}

}  // namespace

ScopedEnv::ScopedEnv(std::string name, const std::optional<std::string>& value)
    : name_(std::move(name)) {
    if (const char* old = std::getenv(name_.c_str()))
        previous_ = old;
    Put(name_, value);
}

ScopedEnv::~ScopedEnv() {
    Put(name_, previous_);
}

}  // namespace calvora::test
