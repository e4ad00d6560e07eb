#include "tests/app/x_display.h"

#include <X11/Xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace calvora::test {

bool OnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::stringstream folders(path ? path : "");
    for (std::string folder; std::getline(folders, folder, ':');) {
        if (!folder.empty() && access((folder + "/" + program).c_str(), X_OK) == 0)
            return true;
    }
    return false;
}

std::unique_ptr<XDisplay> XDisplay::Start() {
    int fds[2];
    if (pipe(fds) != 0)
        return nullptr;
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        const std::string fd = std::to_string(fds[1]);
        // -noreset: an X server regenerates itself when its last client
        // leaves, and a program connecting meanwhile is refused ("could not
        // connect to display"). The tests connect and leave again and again.
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten",
               "tcp", "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    if (pid < 0) {
        close(fds[0]);
        return nullptr;
    }
    // Xvfb writes the display number once it accepts connections.
    std::string number;
    pollfd wait{fds[0], POLLIN, 0};
    char c;
    while (poll(&wait, 1, 10000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n')
        number += c;
    close(fds[0]);
    if (number.empty()) {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
        return nullptr;
    }
    return std::unique_ptr<XDisplay>(new XDisplay(pid, ":" + number));
}

XDisplay::~XDisplay() {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
}

int RunOnDisplay(const XDisplay& display, const std::string& commandLine) {
    const std::string command = "export DISPLAY=" + display.Name() + "; " + commandLine;
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<unsigned long> VisibleWindows(const XDisplay& display, const std::string& namePattern) {
    const std::string command = "DISPLAY=" + display.Name() +
                                " xdotool search --onlyvisible --name '" + namePattern +
                                "' 2>/dev/null";
    std::vector<unsigned long> windows;
    FILE* out = popen(command.c_str(), "r");
    if (out == nullptr)
        return windows;
    unsigned long id = 0;
    while (std::fscanf(out, "%lu", &id) == 1)
        windows.push_back(id);
    pclose(out);
    return windows;
}

bool RequestClose(const XDisplay& display, unsigned long window) {
    // The window may be gone by the time the message arrives (the program
    // ended); Xlib's default handler would end this test program for that.
    XSetErrorHandler([](::Display*, XErrorEvent*) { return 0; });
    ::Display* x = XOpenDisplay(display.Name().c_str());
    if (x == nullptr)
        return false;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(x, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(x, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    const bool sent = XSendEvent(x, window, False, NoEventMask, &event) != 0;
    XCloseDisplay(x);  // flushes the request
    return sent;
}

}  // namespace calvora::test
