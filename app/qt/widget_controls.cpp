#include "app/qt/widget_controls.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QPalette>

namespace calvora {

namespace {

// Buttons paint their face with the Button role, everything else with Window.
QPalette::ColorRole BackRole(const QWidget* widget) {
    return qobject_cast<const QAbstractButton*>(widget) ? QPalette::Button : QPalette::Window;
}

}  // namespace

WidgetControl::WidgetControl(ControlDesign design, QWidget* widget)
    : Control(std::move(design)), widget_(widget) {}

std::string WidgetControl::Caption() const {
    if (auto* label = qobject_cast<const QLabel*>(widget_))
        return label->text().toStdString();
    if (auto* button = qobject_cast<const QAbstractButton*>(widget_)) {
        return button->text().toStdString();
    }
    if (auto* frame = qobject_cast<const QGroupBox*>(widget_))
        return frame->title().toStdString();
    return {};
}

void WidgetControl::SetCaption(const std::string& caption) {
    const QString text = QString::fromStdString(caption);
    if (auto* label = qobject_cast<QLabel*>(widget_))
        label->setText(text);
    if (auto* button = qobject_cast<QAbstractButton*>(widget_))
        button->setText(text);
    if (auto* frame = qobject_cast<QGroupBox*>(widget_))
        frame->setTitle(text);
}

std::string WidgetControl::ToolTipText() const {
    return widget_->toolTip().toStdString();
}

void WidgetControl::SetToolTipText(const std::string& text) {
    widget_->setToolTip(QString::fromStdString(text));
}

bool WidgetControl::Enabled() const {
    return widget_->isEnabled();
}

void WidgetControl::SetEnabled(bool enabled) {
    widget_->setEnabled(enabled);
}

Rgb WidgetControl::BackColor() const {
    const QColor c = widget_->palette().color(BackRole(widget_));
    return {c.red(), c.green(), c.blue()};
}

void WidgetControl::SetBackColor(Rgb color) {
    QPalette palette = widget_->palette();
    palette.setColor(BackRole(widget_), QColor(color.r, color.g, color.b));
    widget_->setPalette(palette);
    widget_->setAutoFillBackground(true);
}

}  // namespace calvora
