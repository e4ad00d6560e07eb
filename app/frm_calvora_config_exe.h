// The dialog frm_Calvora_Config_Exe: the program's one window and its run
// from loading to the end.
//
// Loading (Form_Load) applies the language file's texts, decides the start
// mode, sets the caption, reads the machines and runs straight into the
// closing sequence CloseMe, which updates the unit's preset database, writes
// the edit information and ends the program (EndOfProgram with exit code 0,
// or 1 after failures let pass). The dialog never waits for input; its
// button and close handlers run only when their events are delivered while
// the run lets pending events through.
//
// From the start of the update until the program ends, the buttons and the
// close request do nothing: the update lets window events through (so the
// window keeps painting), and a click handled there would start a second
// update inside the first or end the program with half of its work stored.
// Such clicks are dropped, not queued; the busy pointer shows why. CloseMe is
// never entered a second time.
//
// Every operation except CommandQuest_Click follows the error protocol under
// its own name. A confirmed cancel ends the program with exit code 3 and
// writes nothing. This class holds the procedures only; the window that
// shows them is a Form.
#pragma once

#include <cstdint>
#include <string>

#include "app/control.h"
#include "errors/run_state.h"
#include "presetdb/database_preparation.h"

namespace calvora {

class frm_Calvora_Config_Exe {
  public:
    // The update of the unit's preset database that CloseMe runs; tests of
    // the dialog's course stand in for it.
    using UpdateProcedure = void (*)(RunState&);

    frm_Calvora_Config_Exe(RunState& run, Form& form, UpdateProcedure update = &WorkOnMDB)
        : run_(run), form_(form), update_(update) {}

    // The whole run; ends the program by throwing EndOfProgram.
    void Form_Load();
    void Form_Activate();
    void Form_Resize();
    // The close request: sets cancel (-1) when the user declines to give up.
    void Form_QueryUnload(int16_t& cancel, int16_t unloadMode);
    // The close box: the unload ends the program (exit code 3) unless
    // Form_QueryUnload refuses it.
    void CloseRequested();
    void SetupUserInterFace();
    void CommandQuest_Click();
    void CommandOK_Click();
    void CommandCancel_Click();
    void CloseMe();
    void WriteInputs();

    // The TRX configuration INI file's path, found during loading.
    std::string TRXConfigurationIniPath;

  private:
    RunState& run_;
    Form& form_;
    UpdateProcedure update_;
    bool closing_ = false;   // CloseMe has been entered
    bool updating_ = false;  // the update has started: input is dropped
};

}  // namespace calvora
