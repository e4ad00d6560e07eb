#include "app/qt/dialog_window.h"

#include <QCloseEvent>
#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <map>

#include "app/dialog_design.h"
#include "app/qt/pictures.h"

namespace calvora {

namespace {

const QColor kDialogGrey(kLightGrey.r, kLightGrey.g, kLightGrey.b);

QFont HeaderFont() {
    // The design font; where it is missing, Qt picks the closest sans serif.
    QFont font("MS Sans Serif");
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(13.5);
    font.setBold(true);
    return font;
}

}  // namespace

DialogWindow::DialogWindow(RunState& run, QtUi& ui)
    : QWidget(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      ui_(ui),
      dialog_(run, *this) {
    setFixedSize(Twips(11880), Twips(8595));
    QPalette grey = palette();
    grey.setColor(QPalette::Window, kDialogGrey);
    grey.setColor(QPalette::Button, kDialogGrey);
    setPalette(grey);
    setAutoFillBackground(true);

    header_ = new QLabel(this);
    header_->setGeometry(Twips(30), Twips(30), Twips(11775), Twips(360));
    header_->setFont(HeaderFont());
    header_->setAutoFillBackground(true);

    mainFrame_ = new QGroupBox(this);
    mainFrame_->setGeometry(0, Twips(390), Twips(11880), Twips(7260));
    mainFrame_->setAutoFillBackground(true);

    // Created in tab order, so that the focus chain starts at CommandOK.
    ok_ = GraphicalButton(OkPicture(), 8400, 7710, 1695, 855);
    cancel_ = GraphicalButton(CancelPicture(), 10170, 7710, 1695, 855);
    quest_ = GraphicalButton(QuestPicture(), 7350, 7710, 975, 855);

    // Tab indices: MainFrame 0, CommandOK 1, CommandCancel 2, CommandQuest 3,
    // Header 4. The frame and the label take no focus, so only the buttons'
    // order is left to set.
    setTabOrder(ok_, cancel_);
    setTabOrder(cancel_, quest_);

    const std::map<std::string, QWidget*> widgets = {{"Header", header_},
                                                     {"MainFrame", mainFrame_},
                                                     {"CommandQuest", quest_},
                                                     {"CommandOK", ok_},
                                                     {"CommandCancel", cancel_}};
    for (const DesignedControl& control : DialogControls()) {
        controls_.push_back(
            std::make_unique<WidgetControl>(control.design, widgets.at(control.design.name)));
        controls_.back()->SetCaption(control.caption);
    }

    Wire(quest_, &frm_Calvora_Config_Exe::CommandQuest_Click);
    Wire(ok_, &frm_Calvora_Config_Exe::CommandOK_Click);
    Wire(cancel_, &frm_Calvora_Config_Exe::CommandCancel_Click);
}

QPushButton* DialogWindow::GraphicalButton(const QPixmap& picture, int left, int top, int width,
                                           int height) {
    auto* button = new QPushButton(this);
    button->setGeometry(Twips(left), Twips(top), Twips(width), Twips(height));
    button->setIcon(QIcon(picture));
    button->setIconSize(picture.size());
    button->setFocusPolicy(Qt::StrongFocus);
    button->setAutoFillBackground(true);
    return button;
}

void DialogWindow::Wire(QPushButton* button, void (frm_Calvora_Config_Exe::*handler)()) {
    connect(button, &QPushButton::clicked, this,
            [this, handler] { ui_.RunHandler([&] { (dialog_.*handler)(); }); });
}

std::string DialogWindow::Caption() const {
    return windowTitle().toStdString();
}

void DialogWindow::SetCaption(const std::string& caption) {
    setWindowTitle(QString::fromStdString(caption));
}

std::vector<Control*> DialogWindow::Controls() {
    std::vector<Control*> list;
    for (auto& control : controls_)
        list.push_back(control.get());
    return list;
}

void DialogWindow::Show() {
    show();
    raise();
    activateWindow();
}

void DialogWindow::closeEvent(QCloseEvent* event) {
    // The window never closes by itself: a confirmed close ends the program,
    // which then unwinds to main and takes the window with it.
    event->ignore();
    ui_.RunHandler([this] { dialog_.CloseRequested(); });
}

void DialogWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        ui_.RunHandler([this] { dialog_.Form_Activate(); });
    }
}

void DialogWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    ui_.RunHandler([this] { dialog_.Form_Resize(); });
}

}  // namespace calvora
