// The Control interface over Qt widgets: a label's or button's text, a
// frame's title, the tool tip, enabling and the back colour.
#pragma once

#include <QWidget>

#include "app/control.h"

namespace calvora {

class WidgetControl : public Control {
  public:
    // widget: a QLabel, QAbstractButton or QGroupBox, owned by the dialog.
    WidgetControl(ControlDesign design, QWidget* widget);

    std::string Caption() const override;
    void SetCaption(const std::string& caption) override;
    std::string ToolTipText() const override;
    void SetToolTipText(const std::string& text) override;
    bool Enabled() const override;
    void SetEnabled(bool enabled) override;
    Rgb BackColor() const override;
    void SetBackColor(Rgb color) override;

    QWidget* Widget() const { return widget_; }

  private:
    QWidget* widget_;
};

}  // namespace calvora
