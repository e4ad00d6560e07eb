#include "app/qt/qt_ui.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <functional>

#include "tests/app/qt_application.h"

namespace calvora::test {
namespace {

TEST(ScreenLineBreaksTest, EachPairOfBreakCharactersIsOneBreak) {
    struct Case {
        std::string text, shown;
    };
    const Case cases[] = {
        {"a\n\rb", "a\nb"},                                // LF CR, the program's own break
        {"a\r\nb", "a\nb"},                                // CR LF
        {"a\n\r\n\rb", "a\n\nb"},                          // two breaks, an empty line between
        {"a\r\n\n\rb", "a\n\nb"}, {"a\nb\rc", "a\nb\nc"},  // single characters break too
        {"a\n\n", "a\n\n"},       {"plain", "plain"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ScreenLineBreaks(c.text), c.shown);
}

// What a box looked like while it was open.
struct SeenBox {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString title, text;
    QStringList buttons;
    QString defaultButton;
};

// Acts once on the message box that the code under test opens while the
// watch lives. A box that never opens, or a call that does not return once
// the box was answered, must fail the test within seconds instead of waiting
// for CTest's limit: after kLimitMs the watch reports the failure and ends
// every event loop of the test program, so whatever waits returns.
class BoxWatch {
  public:
    explicit BoxWatch(std::function<void(QMessageBox*)> act) : act_(std::move(act)) {
        waited_.start();
        QObject::connect(&poll_, &QTimer::timeout, [this] { Poll(); });
        poll_.start(10);
    }

  private:
    static constexpr int kLimitMs = 5000;

    void Poll() {
        if (!acted_) {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                acted_ = true;
                act_(box);
                return;
            }
        }
        if (waited_.elapsed() > kLimitMs) {
            poll_.stop();
            ADD_FAILURE() << (acted_ ? "the answered box's call did not return within "
                                     : "no message box opened within ")
                          << kLimitMs << " ms";
            QCoreApplication::exit(1);
        }
    }

    std::function<void(QMessageBox*)> act_;
    bool acted_ = false;
    QTimer poll_;
    QElapsedTimer waited_;
};

// Shows a box through QtUi; while it is open, records it and presses Enter.
int ShowAndPressEnter(QtUi& ui, const std::string& text, int style, const std::string& title,
                      SeenBox& seen) {
    BoxWatch watch([&](QMessageBox* box) {
        seen.icon = box->icon();
        seen.title = box->windowTitle();
        seen.text = box->text();
        for (QAbstractButton* b : box->buttons())
            seen.buttons << b->text().remove('&');
        if (box->defaultButton())
            seen.defaultButton = box->defaultButton()->text().remove('&');
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(box, &enter);
    });
    return ui.MsgBox(text, style, title);
}

TEST(QtUiTest, StylesGiveTheirIconsButtonsAndDefaultAnswer) {
    Application();
    struct Case {
        int style;
        QMessageBox::Icon icon;
        QStringList buttons;
        QString defaultButton;
        int enterAnswer;
    };
    const Case cases[] = {
        {16, QMessageBox::Critical, {"OK"}, "OK", box::kOk},
        {20, QMessageBox::Critical, {"Yes", "No"}, "Yes", box::kYes},
        {64, QMessageBox::Information, {"OK"}, "OK", box::kOk},
        {308, QMessageBox::Warning, {"Yes", "No"}, "No", box::kNo},
    };
    for (const Case& c : cases) {
        QtUi ui;
        SeenBox seen;
        EXPECT_EQ(ShowAndPressEnter(ui, "Line 1\n\rLine 2", c.style, "Title", seen), c.enterAnswer)
            << c.style;
        EXPECT_EQ(seen.icon, c.icon) << c.style;
        EXPECT_EQ(seen.buttons, c.buttons) << c.style;
        EXPECT_EQ(seen.defaultButton, c.defaultButton) << c.style;
        EXPECT_EQ(seen.title, "Title");
        EXPECT_EQ(seen.text, "Line 1\nLine 2");
    }
}

// The boxes have no Cancel button: Esc and the window's close box leave them
// open (Qt would otherwise answer No, which ends the program), and only a
// button answers.
TEST(QtUiTest, EscAndTheCloseBoxDoNotAnswerABox) {
    Application();
    for (int style : {box::kYesNoStop, box::kYesNoWarnNo, box::kOkStop}) {
        QtUi ui;
        bool stayedOpen = false;
        QTimer::singleShot(0, [&] {
            QWidget* box = QApplication::activeModalWidget();
            ASSERT_NE(box, nullptr);
            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(box, &escape);
            box->close();
            stayedOpen = box->isVisible() && QApplication::activeModalWidget() == box;
            QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
            QApplication::sendEvent(box, &enter);
        });
        const int enterAnswer = style == box::kYesNoStop ? box::kYes
                                : style == box::kOkStop  ? box::kOk
                                                         : box::kNo;
        EXPECT_EQ(ui.MsgBox("text", style, "Title"), enterAnswer) << style;
        EXPECT_TRUE(stayedOpen) << style;
    }
}

TEST(QtUiTest, EmptyTitleIsTheApplicationTitle) {
    Application();
    QtUi ui;
    SeenBox seen;
    ShowAndPressEnter(ui, "text", box::kOkInformation, "", seen);
    EXPECT_EQ(seen.title, "Calvora_Config");
}

TEST(QtUiTest, EndRaisedInAHandlerReachesTheCallerOfDoEvents) {
    Application();
    QtUi ui;
    int laterHandlers = 0;
    QTimer::singleShot(0, [&] { ui.RunHandler([] { EndProgram(exitcode::kCancelled); }); });
    QTimer::singleShot(0, [&] { ui.RunHandler([&] { ++laterHandlers; }); });
    try {
        ui.DoEvents();
        FAIL() << "the end did not reach DoEvents' caller";
    } catch (const EndOfProgram& end) {
        EXPECT_EQ(end.exitCode, exitcode::kCancelled);
    }
    EXPECT_EQ(laterHandlers, 0);
    // Once ended, the program stays ended.
    EXPECT_THROW(ui.RethrowPendingEnd(), EndOfProgram);
}

TEST(QtUiTest, FailureEscapingAHandlerIsARunTimeErrorThatEndsTheProgram) {
    Application();
    QtUi ui;
    SeenBox seen;
    QTimer::singleShot(0,
                       [&] { ui.RunHandler([] { throw Failure(13, "test", "Type mismatch"); }); });
    BoxWatch watch([&](QMessageBox* box) {
        // Runs inside the run-time error box's own loop.
        seen.text = box->text();
        seen.icon = box->icon();
        box->accept();
    });
    try {
        ui.DoEvents();
        FAIL() << "the run went on after a run-time error";
    } catch (const EndOfProgram& end) {
        EXPECT_EQ(end.exitCode, exitcode::kEndedByError);
    }
    EXPECT_EQ(seen.text, "Run-time error '13':\n\nType mismatch");
    EXPECT_EQ(seen.icon, QMessageBox::Critical);
}

TEST(QtUiTest, BusyPointerIsTheWaitCursorUntilReset) {
    Application();
    QtUi ui;
    ui.SetBusy(true);
    ui.SetBusy(true);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    ui.SetBusy(false);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

}  // namespace
}  // namespace calvora::test
