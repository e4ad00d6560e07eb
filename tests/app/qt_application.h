// One QApplication for all tests of a test program, on the platform that
// QT_QPA_PLATFORM names (offscreen under CTest).
#pragma once

#include <QApplication>

namespace calvora::test {

inline QApplication& Application() {
    static int argc = 1;
    static char name[] = "calvora_app_tests";
    static char* argv[] = {name, nullptr};
    static QApplication application(argc, argv);
    return application;
}

}  // namespace calvora::test
