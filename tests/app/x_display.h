// A private X server (Xvfb) for the window tests, and the small process
// helpers they need to drive it with xdotool.
#pragma once

#include <sys/types.h>

#include <map>
#include <memory>
#include <optional>
#include <string>

namespace calvora::test {

// True when program is an executable file in a folder of PATH.
bool OnPath(const std::string& program);

class XDisplay {
  public:
    // Starts Xvfb on a free display; nullptr when it cannot be started.
    static std::unique_ptr<XDisplay> Start();
    ~XDisplay();

    // ":N"
    const std::string& Name() const { return name_; }

  private:
    XDisplay(pid_t pid, std::string name) : pid_(pid), name_(std::move(name)) {}
    pid_t pid_;
    std::string name_;
};

// Runs a shell command line with DISPLAY set; its exit status.
int RunOnDisplay(const XDisplay& display, const std::string& commandLine);

// A child process with exactly the given environment.
class Child {
  public:
    Child(const std::string& program, const std::string& argument,
          const std::map<std::string, std::string>& environment);
    ~Child();

    // The exit code once the child has ended within seconds; nullopt while
    // it still runs.
    std::optional<int> Wait(int seconds);

  private:
    pid_t pid_ = -1;
    std::optional<int> exitCode_;
};

}  // namespace calvora::test
