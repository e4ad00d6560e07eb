// The dialog without a window: its controls as plain values. A silent run
// without a display runs on it, so it never loads the window toolkit; the
// procedures cannot tell it from the Qt window.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/control.h"
#include "app/dialog_design.h"

namespace calvora {

class HeadlessControl : public Control {
  public:
    HeadlessControl(ControlDesign design, std::string caption)
        : Control(std::move(design)), caption_(std::move(caption)) {}

    std::string Caption() const override { return caption_; }
    void SetCaption(const std::string& caption) override { caption_ = caption; }
    std::string ToolTipText() const override { return tip_; }
    void SetToolTipText(const std::string& text) override { tip_ = text; }
    bool Enabled() const override { return enabled_; }
    void SetEnabled(bool enabled) override { enabled_ = enabled; }
    Rgb BackColor() const override { return back_; }
    void SetBackColor(Rgb color) override { back_ = color; }

  private:
    std::string caption_;
    std::string tip_;
    bool enabled_ = true;
    Rgb back_ = kLightGrey;
};

class HeadlessForm : public Form {
  public:
    // A form without controls, for Add to fill.
    HeadlessForm() = default;
    // The dialog's designed controls (dialog_design.h).
    static std::unique_ptr<HeadlessForm> Dialog();

    HeadlessControl& Add(ControlDesign design, std::string caption = "");

    std::string Caption() const override { return caption_; }
    void SetCaption(const std::string& caption) override { caption_ = caption; }
    std::vector<Control*> Controls() override;
    // There is nothing to show.
    void Show() override {}

  private:
    std::string caption_;
    std::vector<std::unique_ptr<HeadlessControl>> controls_;
};

}  // namespace calvora
