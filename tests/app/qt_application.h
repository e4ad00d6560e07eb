// One QApplication for all tests of a test program, on the platform that
// QT_QPA_PLATFORM names (offscreen under CTest). Created on first use and
// deleted when the tests are done, before the process's exit handlers tear
// down what Qt still needs.
#pragma once

#include <QApplication>

namespace calvora::test {

QApplication& Application();

}  // namespace calvora::test
