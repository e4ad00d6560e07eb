#include "app/headless_form.h"

namespace calvora {

std::unique_ptr<HeadlessForm> HeadlessForm::Dialog() {
    auto form = std::make_unique<HeadlessForm>();
    for (const DesignedControl& control : DialogControls())
        form->Add(control.design, control.caption);
    return form;
}

HeadlessControl& HeadlessForm::Add(ControlDesign design, std::string caption) {
    controls_.push_back(std::make_unique<HeadlessControl>(std::move(design), std::move(caption)));
    return *controls_.back();
}

std::vector<Control*> HeadlessForm::Controls() {
    std::vector<Control*> list;
    for (auto& control : controls_)
        list.push_back(control.get());
    return list;
}

}  // namespace calvora
