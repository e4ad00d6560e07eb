// Walking a recordset under the error protocol.
#pragma once

#include "dao/recordset.h"

namespace calvora {

// Runs body once for each record of rs from the current one on. The end test
// and each move run as steps of the caller's protocol: step(f) runs f as one
// step (proc.Step, or proc.StepOr with the procedure's own handler).
//
// A walk whose end test or move fails stops there. The protocol would enter
// the body and go on, but a recordset that cannot be tested or moved (never
// opened, or its database gone) fails the same way forever: the walk would
// never end, in silent mode without anyone to stop it.
template <class StepFn, class Body>
void WalkRecords(dao::Recordset& rs, StepFn&& step, Body&& body) {
    for (;;) {
        bool atEnd = true;
        bool tested = false;
        step([&] {
            atEnd = rs.Eof();
            tested = true;
        });
        if (!tested || atEnd)
            return;
        body();
        bool moved = false;
        step([&] {
            rs.MoveNext();
            moved = true;
        });
        if (!moved)
            return;
    }
}

}  // namespace calvora
