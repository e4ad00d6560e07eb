// The window of frm_Calvora_Config_Exe: its layout, built in code from the
// design's twips (15 twips make one pixel), and the wiring of its events to
// the dialog's procedures. Nothing else happens here.
//
// Every event handler runs through QtUi::RunHandler, so an end of the
// program raised in a handler reaches main through DoEvents rather than Qt.
#pragma once

#include <QWidget>
#include <memory>
#include <vector>

#include "app/control.h"
#include "app/frm_calvora_config_exe.h"
#include "app/qt/qt_ui.h"
#include "app/qt/widget_controls.h"

class QGroupBox;
class QLabel;
class QPushButton;

namespace calvora {

// Design pixels of a length in twips.
constexpr int Twips(int twips) {
    return twips / 15;
}

class DialogWindow : public QWidget, public Form {
  public:
    DialogWindow(RunState& run, QtUi& ui);

    // Runs the dialog's loading, the program's whole course; it ends by
    // throwing EndOfProgram.
    void Load() { dialog_.Form_Load(); }

    std::string Caption() const override;
    void SetCaption(const std::string& caption) override;
    std::vector<Control*> Controls() override;
    void Show() override;

    QLabel* header() const { return header_; }
    QGroupBox* mainFrame() const { return mainFrame_; }
    QPushButton* commandQuest() const { return quest_; }
    QPushButton* commandOK() const { return ok_; }
    QPushButton* commandCancel() const { return cancel_; }

  protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    QPushButton* GraphicalButton(const QPixmap& picture, int left, int top, int width, int height);
    void Wire(QPushButton* button, void (frm_Calvora_Config_Exe::*handler)());

    QtUi& ui_;
    frm_Calvora_Config_Exe dialog_;
    QLabel* header_;
    QGroupBox* mainFrame_;
    QPushButton* quest_;
    QPushButton* ok_;
    QPushButton* cancel_;
    std::vector<std::unique_ptr<WidgetControl>> controls_;
};

}  // namespace calvora
