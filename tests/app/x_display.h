// A private X server (Xvfb) for the window tests, and running xdotool on it.
#pragma once

#include <sys/types.h>

#include <memory>
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

}  // namespace calvora::test
