#include "app/frm_calvora_config_exe.h"

#include "app/cancel.h"
#include "app/captions.h"
#include "app/edit_info.h"
#include "app/info_text.h"
#include "errors/error_protocol.h"
#include "settings/command_line.h"
#include "settings/file_locations.h"
#include "settings/machines.h"

namespace calvora {

void frm_Calvora_Config_Exe::Form_Load() {
    Proc proc(run_, "Form_Load");
    proc.Step([&] { LoadToolTipTexts(run_, form_); });
    proc.Step([&] { TRXConfigurationIniPath = GetTRXConfigurationIniPath(run_); });
    bool integrated = false;
    proc.Step([&] { integrated = GetStartModeIntegrated(run_); });
    proc.Step([&] {
        form_.SetCaption("Erweiterte Konfiguration " +
                         GetFileNameOnly(run_, ProgramFolder(run_.process())) +
                         (integrated ? " - integriert" : " - standalone"));
    });
    proc.Step([&] { GetExistingMachines(run_, TRXConfigurationIniPath); });
    proc.Step([&] { SetupUserInterFace(); });
    if (run_.SilentMode) {
        // Nobody will click OK: run its handler, which ends in CloseMe.
        proc.Step([&] { CommandOK_Click(); });
    } else {
        proc.Step([&] { ControlNamed(form_, "CommandOK").SetEnabled(true); });
        proc.Step([&] { ControlNamed(form_, "CommandCancel").SetEnabled(true); });
    }
    proc.Step([&] { CloseMe(); });
}

void frm_Calvora_Config_Exe::Form_Activate() {
    Proc proc(run_, "Form_Activate");
}

void frm_Calvora_Config_Exe::Form_Resize() {
    Proc proc(run_, "Form_Resize");
}

void frm_Calvora_Config_Exe::Form_QueryUnload(int16_t& cancel, int16_t /*unloadMode*/) {
    if (updating_) {
        cancel = -1;
        return;
    }
    Proc proc(run_, "Form_QueryUnload");
    // A failure in the question enters the block: the dialog stays.
    if (proc.Test([&] { return !ConfirmCancel(run_); }))
        cancel = -1;
}

void frm_Calvora_Config_Exe::CloseRequested() {
    int16_t cancel = 0;
    Form_QueryUnload(cancel, 0);
    // The dialog is the program's only window: its unload ends the program.
    if (cancel == 0)
        EndProgram(exitcode::kCancelled);
}

void frm_Calvora_Config_Exe::SetupUserInterFace() {
    Proc proc(run_, "SetupUserInterFace");
    proc.Step([&] {
        int32_t mode = 1;
        GetProgramIniPath(run_, mode);
    });
}

void frm_Calvora_Config_Exe::CommandQuest_Click() {
    if (updating_)
        return;
    Control& quest = ControlNamed(form_, "CommandQuest");
    run_.QuestMode = !run_.QuestMode;
    quest.SetBackColor(run_.QuestMode ? kPureGreen : kLightGrey);
}

void frm_Calvora_Config_Exe::CommandOK_Click() {
    if (updating_)
        return;
    Proc proc(run_, "CommandOK_Click");
    if (run_.QuestMode) {
        proc.Step([&] { ShowInfoText(run_, ControlNamed(form_, "CommandOK")); });
        return;
    }
    proc.Step([&] { ControlNamed(form_, "CommandOK").SetEnabled(false); });
    proc.Step([&] { ControlNamed(form_, "CommandCancel").SetEnabled(false); });
    proc.Step([&] { CloseMe(); });
}

void frm_Calvora_Config_Exe::CommandCancel_Click() {
    if (updating_)
        return;
    Proc proc(run_, "CommandCancel_Click");
    if (run_.QuestMode) {
        proc.Step([&] { ShowInfoText(run_, ControlNamed(form_, "CommandCancel")); });
        return;
    }
    // A failure in the question enters the block: the cancel goes ahead.
    if (proc.Test([&] { return ConfirmCancel(run_); }))
        EndProgram(exitcode::kCancelled);
}

void frm_Calvora_Config_Exe::CloseMe() {
    if (closing_)
        return;
    closing_ = true;
    Proc proc(run_, "CloseMe");
    proc.Step([&] {
        // Shown now, so that the user sees the update running; input
        // already delivered is handled once more before it starts.
        if (!run_.SilentMode)
            form_.Show();
        run_.ui().DoEvents();
    });
    updating_ = true;
    proc.Step([&] { run_.ui().SetBusy(true); });
    proc.Step([&] { update_(run_); });
    proc.Step([&] { WriteInputs(); });
    proc.Step([&] { run_.ui().SetBusy(false); });
    EndProgram(CompletedExitCode(run_));
}

void frm_Calvora_Config_Exe::WriteInputs() {
    Proc proc(run_, "WriteInputs");
    proc.Step([&] {
        int32_t mode = 2;
        GetProgramIniPath(run_, mode);
    });
    proc.Step([&] { WriteEditInfo(run_); });
}

}  // namespace calvora
