// Walking a recordset under the error protocol.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "dao/recordset.h"
#include "platform/variant.h"

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

// Runs body(i) for i = 0 .. count - 1 (a loop "for i = 0 to count - 1")
// while body returns true. The count is the loop's head and runs as a step
// of the caller's protocol: when it fails, the protocol goes on with the
// first step of the body, so the body runs once with i = 0 (its first step
// then fails on its own and is reported); with no count to go by, the loop
// ends there.
template <class StepFn, class Count, class Body>
void CountedLoop(StepFn&& step, Count&& count, Body&& body) {
    int32_t n = 0;
    bool counted = false;
    step([&] {
        n = count();
        counted = true;
    });
    if (!counted) {
        body(0);
        return;
    }
    for (int32_t i = 0; i < n; ++i) {
        if (!body(i))
            return;
    }
}

// Reads count records of rs from the current one on. Whole records are read
// at a time (Recordset::GetRows) while they read cleanly, and each is handed
// to keep(r, values) with its number r from 0; a record holding a value that
// cannot be read goes to readAlone(r), which reads it field by field, each
// value its own step, and moves on: each such value is then reported as the
// loop over single values reports it, and the record's other values are
// kept. step(f) runs f as a step of the caller's protocol; yield() runs
// between passes, to let the window's events run.
template <class StepFn, class Keep, class ReadAlone, class Yield>
void ReadRecords(dao::Recordset& rs, size_t count, StepFn&& step, Keep&& keep,
                 ReadAlone&& readAlone, Yield&& yield) {
    // Enough records to make a pass's own cost small, few enough for the
    // window to get its events in time.
    constexpr size_t kRecordsPerPass = 64;
    for (size_t r = 0; r < count;) {
        std::vector<std::vector<Variant>> rows;
        step(
            [&] { rows = rs.GetRows(static_cast<int32_t>(std::min(count - r, kRecordsPerPass))); });
        for (std::vector<Variant>& values : rows)
            keep(r++, values);
        yield();
        if (rows.empty() && r < count)
            readAlone(r++);
    }
}

}  // namespace calvora
