#include "app/qt/qt_ui.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QString>
#include <exception>

#include "app/window_system.h"
#include "platform/failure.h"

namespace calvora {

namespace {

// The parts of a runtime style value.
constexpr int kIconMask = 0x70;
constexpr int kDefaultMask = 0x300;
constexpr int kSecondDefault = 0x100;

QMessageBox::Icon IconOf(int style) {
    switch (style & kIconMask) {
        case 16:
            return QMessageBox::Critical;
        case 32:
            return QMessageBox::Question;
        case 48:
            return QMessageBox::Warning;
        case 64:
            return QMessageBox::Information;
        default:
            return QMessageBox::NoIcon;
    }
}

// A box that only its buttons can answer. Qt lets Esc and the window's close
// box pick an answer of their own (on Yes/No, No); the runtime's boxes
// without a Cancel button cannot be escaped, and a No given that way would
// end the program.
class ButtonsOnlyBox : public QMessageBox {
  protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->matches(QKeySequence::Cancel)) {
            event->accept();
            return;
        }
        QMessageBox::keyPressEvent(event);
    }
    void closeEvent(QCloseEvent* event) override {
        if (clickedButton() == nullptr) {
            event->ignore();
            return;
        }
        QMessageBox::closeEvent(event);
    }
};

// Shows the box and returns the runtime's answer. Never throws: it is also
// used at the handler boundary.
int ShowBox(std::string_view text, int style, std::string_view title) noexcept {
    ButtonsOnlyBox msg;
    msg.setIcon(IconOf(style));
    msg.setWindowTitle(
        QString::fromStdString(std::string(title.empty() ? kApplicationTitle : title)));
    msg.setText(QString::fromStdString(ScreenLineBreaks(text)));
    msg.setTextFormat(Qt::PlainText);
    if ((style & box::kButtonsMask) == box::kYesNoButtons) {
        QPushButton* yes = msg.addButton(QMessageBox::Yes);
        QPushButton* no = msg.addButton(QMessageBox::No);
        msg.setDefaultButton((style & kDefaultMask) == kSecondDefault ? no : yes);
        msg.exec();
        return msg.clickedButton() == yes ? box::kYes : box::kNo;
    }
    msg.setDefaultButton(msg.addButton(QMessageBox::Ok));
    msg.exec();
    return box::kOk;
}

}  // namespace

std::string ScreenLineBreaks(std::string_view text) {
    std::string shown;
    shown.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c != '\n' && c != '\r') {
            shown += c;
            continue;
        }
        char pairedWith = c == '\n' ? '\r' : '\n';
        if (i + 1 < text.size() && text[i + 1] == pairedWith)
            ++i;
        shown += '\n';
    }
    return shown;
}

void QtUi::AnswerUnattended(std::function<void(const std::string&)> sink) {
    unattended_ = std::move(sink);
}

int QtUi::MsgBox(std::string_view text, int style, std::string_view title) {
    if (unattended_)
        return calvora::AnswerUnattended(unattended_, text, style);
    int answer = ShowBox(text, style, title);
    // The box's own event loop may have delivered a handler that ended the program.
    RethrowPendingEnd();
    return answer;
}

void QtUi::DoEvents() {
    QCoreApplication::processEvents();
    RethrowPendingEnd();
}

void QtUi::SetBusy(bool busy) {
    if (busy == busy_)
        return;
    busy_ = busy;
    if (busy) {
        QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    } else {
        QApplication::restoreOverrideCursor();
    }
}

void QtUi::RunHandler(const std::function<void()>& handler) noexcept {
    if (pendingEnd_)
        return;
    auto runtimeError = [this](const std::string& number, const std::string& description) {
        ShowBox("Run-time error '" + number + "':\n\r\n\r" + description, box::kOkStop, "");
        if (!pendingEnd_)
            pendingEnd_ = EndOfProgram{exitcode::kEndedByError};
    };
    try {
        handler();
    } catch (const EndOfProgram& end) {
        pendingEnd_ = end;
    } catch (const Failure& f) {
        runtimeError(std::to_string(f.Number()), f.Description());
    } catch (const std::exception& e) {
        runtimeError(std::to_string(err::kInternal), e.what());
    } catch (...) {
        runtimeError(std::to_string(err::kInternal), "Unknown failure in a window event handler");
    }
}

void QtUi::RethrowPendingEnd() {
    // Kept after the throw: once ended, the program stays ended.
    if (pendingEnd_)
        throw *pendingEnd_;
}

}  // namespace calvora
