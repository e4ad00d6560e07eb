// The window module's entry point: the window system on Qt. Only this file
// is looked up by name when the module is loaded (window_module.h).
#include <QApplication>
#include <QGuiApplication>

#include "app/qt/dialog_window.h"
#include "app/qt/qt_ui.h"
#include "app/window_module.h"

namespace calvora {

namespace {

class QtWindowSystem : public WindowSystem {
  public:
    QtWindowSystem(int& argc, char** argv) : application_(argc, argv) {}

    Ui& ui() override { return ui_; }

    bool WithoutDisplay() const override {
        const QString platform = QGuiApplication::platformName();
        return platform == "offscreen" || platform == "minimal";
    }

    void AnswerUnattended(std::function<void(const std::string&)> sink) override {
        ui_.AnswerUnattended(std::move(sink));
    }

    void LoadDialog(RunState& run) override {
        DialogWindow window(run, ui_);
        window.Load();
    }

  private:
    QApplication application_;
    QtUi ui_;
};

}  // namespace

}  // namespace calvora

extern "C" [[gnu::visibility("default")]] calvora::WindowSystem* calvora_qt_window_system(
    int& argc, char** argv) {
    static_assert(std::is_same_v<decltype(&calvora_qt_window_system), calvora::WindowModuleEntry>);
    return new calvora::QtWindowSystem(argc, argv);
}
