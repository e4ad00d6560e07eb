#include "app/qt/dialog_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QPushButton>

#include "tests/app/qt_application.h"
#include "tests/support/test_run.h"

namespace calvora::test {
namespace {

class DialogWindowTest : public ::testing::Test {
  protected:
    QApplication& application = Application();
    TestRun t;
    QtUi qtUi;
    DialogWindow window{t.run, qtUi};
};

TEST_F(DialogWindowTest, LayoutIsTheDesignInPixels) {
    EXPECT_EQ(window.size(), QSize(792, 573));
    EXPECT_EQ(window.minimumSize(), window.maximumSize());
    EXPECT_EQ(window.header()->geometry(), QRect(2, 2, 785, 24));
    EXPECT_EQ(window.mainFrame()->geometry(), QRect(0, 26, 792, 484));
    EXPECT_EQ(window.commandQuest()->geometry(), QRect(490, 514, 65, 57));
    EXPECT_EQ(window.commandOK()->geometry(), QRect(560, 514, 113, 57));
    EXPECT_EQ(window.commandCancel()->geometry(), QRect(678, 514, 113, 57));

    EXPECT_EQ(window.header()->text(), "Calvora - Konfiguration Heizung");
    EXPECT_TRUE(window.header()->font().bold());
    EXPECT_DOUBLE_EQ(window.header()->font().pointSizeF(), 13.5);
    EXPECT_EQ(window.header()->font().family(), "MS Sans Serif");
    for (QPushButton* b : {window.commandQuest(), window.commandOK(), window.commandCancel()}) {
        EXPECT_TRUE(b->text().isEmpty());
    }
}

TEST_F(DialogWindowTest, EverythingIsLightGrey) {
    const QColor grey(192, 192, 192);
    EXPECT_EQ(window.palette().color(QPalette::Window), grey);
    EXPECT_EQ(window.header()->palette().color(QPalette::Window), grey);
    EXPECT_EQ(window.mainFrame()->palette().color(QPalette::Window), grey);
    for (QPushButton* b : {window.commandQuest(), window.commandOK(), window.commandCancel()}) {
        EXPECT_EQ(b->palette().color(QPalette::Button), grey);
    }
}

TEST_F(DialogWindowTest, PicturesHaveTheirSizesAndTransparentBackground) {
    struct Case {
        QPushButton* button;
        QSize size;
    };
    for (const Case& c : {Case{window.commandQuest(), {41, 45}}, Case{window.commandOK(), {44, 36}},
                          Case{window.commandCancel(), {37, 39}}}) {
        EXPECT_EQ(c.button->iconSize(), c.size);
        const QImage picture = c.button->icon().pixmap(c.size).toImage();
        EXPECT_EQ(picture.size(), c.size);
        EXPECT_TRUE(picture.hasAlphaChannel());
        EXPECT_EQ(qAlpha(picture.pixel(0, 0)), 0);
        EXPECT_EQ(qAlpha(picture.pixel(c.size.width() - 1, c.size.height() - 1)), 0);
    }
    auto colourAtCentreLine = [](QPushButton* b, QSize size) {
        const QImage picture = b->icon().pixmap(size).toImage();
        for (int x = 0; x < size.width(); ++x) {
            QColor c = picture.pixelColor(x, size.height() / 2);
            if (c.alpha() == 255)
                return c;
        }
        return QColor();
    };
    EXPECT_GT(colourAtCentreLine(window.commandOK(), {44, 36}).green(), 100);
    EXPECT_EQ(colourAtCentreLine(window.commandOK(), {44, 36}).red(), 0);
    EXPECT_GT(colourAtCentreLine(window.commandCancel(), {37, 39}).red(), 150);
    EXPECT_EQ(colourAtCentreLine(window.commandCancel(), {37, 39}).green(), 0);
}

TEST_F(DialogWindowTest, TabMovesOkCancelQuest) {
    std::vector<QWidget*> order;
    for (QWidget* w = window.nextInFocusChain(); w != &window; w = w->nextInFocusChain()) {
        if (w->focusPolicy() & Qt::TabFocus)
            order.push_back(w);
    }
    EXPECT_EQ(order, (std::vector<QWidget*>{window.commandOK(), window.commandCancel(),
                                            window.commandQuest()}));
    EXPECT_EQ(window.header()->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(window.mainFrame()->focusPolicy(), Qt::NoFocus);
}

TEST_F(DialogWindowTest, ControlsCarryTheDesignProperties) {
    struct Expected {
        std::string name, kind;
        int32_t helpId;
    };
    const Expected expected[] = {{"Header", "Label", 0},
                                 {"MainFrame", "Frame", 0},
                                 {"CommandQuest", "CommandButton", 0},
                                 {"CommandOK", "CommandButton", 1},
                                 {"CommandCancel", "CommandButton", 2}};
    auto controls = window.Controls();
    ASSERT_EQ(controls.size(), 5u);
    for (size_t i = 0; i < controls.size(); ++i) {
        EXPECT_EQ(controls[i]->Name(), expected[i].name);
        EXPECT_EQ(controls[i]->KindName(), expected[i].kind);
        EXPECT_EQ(controls[i]->WhatsThisHelpID(), expected[i].helpId);
        EXPECT_EQ(controls[i]->Tag(), "");
        EXPECT_THROW(controls[i]->Index(), Failure);
    }
    controls[0]->SetCaption("Kopf");
    controls[3]->SetToolTipText("Tipp");
    EXPECT_EQ(window.header()->text(), "Kopf");
    EXPECT_EQ(window.commandOK()->toolTip(), "Tipp");
}

TEST_F(DialogWindowTest, QuestClickColoursTheButtonGreenAndBack) {
    window.commandQuest()->click();
    EXPECT_TRUE(t.run.QuestMode);
    EXPECT_EQ(window.commandQuest()->palette().color(QPalette::Button), QColor(0, 255, 0));
    // The face is painted green too, not only the palette entry.
    const QColor face = window.commandQuest()->grab().toImage().pixelColor(6, 28);
    EXPECT_GT(face.green() - face.red(), 100);
    EXPECT_GT(face.green() - face.blue(), 100);
    window.commandQuest()->click();
    EXPECT_EQ(window.commandQuest()->palette().color(QPalette::Button), QColor(192, 192, 192));
}

TEST_F(DialogWindowTest, CloseBoxAsksAndEndsOnlyWhenConfirmed) {
    window.Show();
    t.ui.Answer(box::kNo);
    window.close();
    EXPECT_NO_THROW(qtUi.DoEvents());
    EXPECT_TRUE(window.isVisible());

    t.ui.Answer(box::kYes);
    window.close();
    try {
        qtUi.DoEvents();
        FAIL() << "a confirmed close did not end the program";
    } catch (const EndOfProgram& end) {
        EXPECT_EQ(end.exitCode, exitcode::kCancelled);
    }
    EXPECT_EQ(t.ui.boxes.size(), 2u);
}

}  // namespace
}  // namespace calvora::test
