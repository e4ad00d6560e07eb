// A dialog without a window for the tests of the dialog's procedures: a
// list of controls with the same properties as the Qt dialog's.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/control.h"
#include "platform/failure.h"

namespace calvora::test {

class TestControl : public Control {
  public:
    TestControl(ControlDesign design, std::string caption)
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

class TestForm : public Form {
  public:
    TestControl& Add(ControlDesign design, std::string caption = "") {
        controls_.push_back(std::make_unique<TestControl>(std::move(design), std::move(caption)));
        return *controls_.back();
    }
    TestControl& operator[](const std::string& name) {
        return static_cast<TestControl&>(ControlNamed(*this, name));
    }

    std::string Caption() const override { return caption_; }
    // Raises 5 while failCaption is set: a start-up step that fails.
    void SetCaption(const std::string& caption) override {
        if (failCaption)
            throw Failure(5, "TestForm", "caption refused");
        caption_ = caption;
    }
    std::vector<Control*> Controls() override {
        std::vector<Control*> list;
        for (auto& c : controls_)
            list.push_back(c.get());
        return list;
    }
    void Show() override { ++shown; }

    int shown = 0;
    bool failCaption = false;

  private:
    std::string caption_ = "frm_Calvora_Config_Exe";
    std::vector<std::unique_ptr<TestControl>> controls_;
};

// The controls of the dialog as designed, in the order of its control list.
inline void AddDialogControls(TestForm& form) {
    form.Add({"Header", "Label", {}, "", 0}, "Calvora - Konfiguration Heizung");
    form.Add({"MainFrame", "Frame", {}, "", 0});
    form.Add({"CommandQuest", "CommandButton", {}, "", 0});
    form.Add({"CommandOK", "CommandButton", {}, "", 1});
    form.Add({"CommandCancel", "CommandButton", {}, "", 2});
}

}  // namespace calvora::test
