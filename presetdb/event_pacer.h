// Yielding to the window during long loops, at a bounded rate.
//
// The long loops of record generation let pending window events run once per
// field and per record. A pass of the event loop costs far more than a field
// copy, so running one for each of several hundred thousand fields would
// dominate a large run; the window stays just as responsive when the passes
// come at most once per interval. Reading the clock costs more than a field
// copy too, so it is read on every 16th Yield only. The first Yield always
// runs a pass.
#pragma once

#include <chrono>

#include "platform/ui.h"

namespace calvora {

class EventPacer {
  public:
    explicit EventPacer(Ui& ui, std::chrono::milliseconds interval = std::chrono::milliseconds(10))
        : ui_(ui), interval_(interval), last_(Clock::now() - interval) {}

    // Lets pending window events run when the interval has passed since the
    // last pass. Passes on the end-of-program signal of Ui::DoEvents.
    void Yield() {
        if (calls_++ % kYieldsPerLook != 0)
            return;
        auto now = Clock::now();
        if (now - last_ < interval_)
            return;
        last_ = now;
        ui_.DoEvents();
    }

  private:
    using Clock = std::chrono::steady_clock;
    static constexpr unsigned kYieldsPerLook = 16;
    Ui& ui_;
    unsigned calls_ = 0;
    Clock::duration interval_;
    Clock::time_point last_;
};

}  // namespace calvora
