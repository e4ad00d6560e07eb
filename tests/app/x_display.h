// A private X server (Xvfb) for the window tests, and running xdotool on it.
#pragma once

#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

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

// The ids of the visible windows whose name matches the pattern (xdotool).
std::vector<unsigned long> VisibleWindows(const XDisplay& display, const std::string& namePattern);

// Asks a window to close as a window manager's close box does (the
// WM_DELETE_WINDOW message); false when the message could not be sent.
bool RequestClose(const XDisplay& display, unsigned long window);

}  // namespace calvora::test
