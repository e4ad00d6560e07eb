// The error protocol.
//
// "Go on with the step after the failed one" is the heart of the program.
// Every procedure follows the same rules:
//
//   1. Its first step stores its own name (Proc's constructor, or SetName
//      where a procedure names itself later); a failure before that passes
//      an empty name.
//   2. Each step runs through the procedure object: proc.Step([&]{ ... }).
//      A Failure raised inside goes to ErrorSub with the stored name and
//      fatal = false.
//   3. ErrorSub answers 1 (end the program: EndProgram is called, which
//      throws the end-of-program signal) or 2 (go on: Step returns and the
//      next step runs). The failed step has no further effect: a value it
//      would have assigned keeps its previous value.
//   4. A condition runs through the object too: if (proc.Test([&]{ ... })).
//      A failure that the user lets pass counts as true, so the guarded block
//      is entered as if the test had held; the same for a loop head.
//
// Ending the program (EndProgram, the end of CloseMe, a confirmed cancel, a
// missing configuration file) throws EndOfProgram. It is not a Failure and no
// step handler catches it: it unwinds to main, so destructors close databases
// and files on the way, and main returns its exit code. Nothing else may
// catch it except the boundary of a window event handler (see Ui::DoEvents).
//
// Exit codes: 0 the run completed and nothing was reported; 1 it completed
// after failures that were let pass; 2 it was ended by an error; 3 the user
// cancelled.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>
#include <utility>

#include "errors/run_state.h"
#include "platform/failure.h"

namespace calvora {

namespace exitcode {
inline constexpr int kClean = 0;
inline constexpr int kAfterFailures = 1;
inline constexpr int kEndedByError = 2;
inline constexpr int kCancelled = 3;
}  // namespace exitcode

// The end-of-program signal. Deliberately not derived from std::exception.
struct EndOfProgram {
    int exitCode;
};

// Ends the program at once by throwing EndOfProgram{exitCode}.
[[noreturn]] void EndProgram(int exitCode = exitcode::kEndedByError);

// The exit code for a run that completed: 0, or 1 after reported failures.
int CompletedExitCode(const RunState& run);

// Logs a failure, tells the user (or, in silent mode, the service log) and
// answers 1 (end) or 2 (go on).
//   - Error log: "Fehler in " + unit + " / " + source + " / " + procName +
//     " (Nr. " + number + ") :" + description.
//   - Silent mode: the message goes to the service log; the answer is 2
//     whatever fatal says.
//   - fatal false: box "Unexpected error" (style 20) ending in "Resume?";
//     Yes gives 2, No gives 1. fatal true: box "Fatal error" (style 16), 1.
// A log that cannot be written does not stop the report: the box still
// appears, and its notice says the entry could not be written. Counts the
// failure in run.FailuresReported.
int16_t ErrorSub(RunState& run, int32_t number, const std::string& source,
                 const std::string& description, const std::string& procName, bool fatal);

class Proc {
  public:
    // name: the procedure's name, a text that outlives the Proc (procedures
    // name themselves with literals; a string made for each call would cost
    // more than the steps of the short procedures called in long loops).
    explicit Proc(RunState& run, const char* name = "") : run_(run), name_(name) {}

    void SetName(const char* name) { name_ = name; }
    std::string_view Name() const { return name_; }
    RunState& Run() { return run_; }

    // Runs one step; a failure goes to ErrorSub (see the rules above).
    template <class F>
    void Step(F&& step) {
        try {
            std::forward<F>(step)();
        } catch (const Failure& f) {
            Handle(f, false);
        } catch (const std::exception& e) {
            Handle(Internal(e), false);
        }
    }

    // Runs a condition; a failure that is let pass counts as true.
    template <class F>
    bool Test(F&& condition) {
        bool result = true;
        Step([&] { result = std::forward<F>(condition)(); });
        return result;
    }

    // Runs one step under a handler of the procedure's own: a failure goes to
    // onFailure(const Failure&) instead of ErrorSub, and the next step runs.
    template <class F, class H>
    void StepOr(F&& step, H&& onFailure) {
        try {
            std::forward<F>(step)();
        } catch (const Failure& f) {
            std::forward<H>(onFailure)(f);
        } catch (const std::exception& e) {
            std::forward<H>(onFailure)(Internal(e));
        }
    }

    // Runs one step whose failure is ignored (error handling switched off).
    template <class F>
    void Quietly(F&& step) {
        StepOr(std::forward<F>(step), [](const Failure&) {});
    }

    // Hands a failure the procedure raised itself to ErrorSub, with the
    // fatal flag as given; returns when the answer is to go on.
    void Raise(const Failure& failure, bool fatal) { Handle(failure, fatal); }

  private:
    void Handle(const Failure& f, bool fatal);
    static Failure Internal(const std::exception& e);

    RunState& run_;
    const char* name_;
};

}  // namespace calvora
