#include "app/headless_window_system.h"

#include "app/frm_calvora_config_exe.h"
#include "app/headless_form.h"

namespace calvora {

int HeadlessWindowSystem::BoxesToSink::MsgBox(std::string_view text, int style, std::string_view) {
    return calvora::AnswerUnattended(sink, text, style);
}

void HeadlessWindowSystem::AnswerUnattended(std::function<void(const std::string&)> sink) {
    ui_.sink = std::move(sink);
}

void HeadlessWindowSystem::LoadDialog(RunState& run) {
    std::unique_ptr<HeadlessForm> form = HeadlessForm::Dialog();
    frm_Calvora_Config_Exe dialog(run, *form);
    dialog.Form_Load();
}

}  // namespace calvora
