#include "tests/app/qt_application.h"

#include <gtest/gtest.h>

namespace calvora::test {

namespace {

QApplication* application = nullptr;

class QtEnvironment : public ::testing::Environment {
  public:
    void TearDown() override {
        delete application;
        application = nullptr;
    }
};

[[maybe_unused]] ::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace

QApplication& Application() {
    static int argc = 1;
    static char name[] = "calvora_app_tests";
    static char* argv[] = {name, nullptr};
    if (application == nullptr)
        application = new QApplication(argc, argv);
    return *application;
}

}  // namespace calvora::test
