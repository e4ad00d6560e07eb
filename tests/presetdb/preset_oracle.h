// The preset job's rules for one project, written out literally: every
// generated record formed field by field, every rename walking all records
// of the unit database, every machine-copy row walking the generated records
// for its first match, and no publish of an empty table over records. Slow and plain on purpose: it
// judges the program's own pass (see differential_test.cpp), so it shares none of its shortcuts.
#pragma once

#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "dao/schema.h"
#include "platform/variant.h"

namespace calvora::test {

using Record = std::vector<Variant>;

struct OracleProject {
    int studio = 0;                     // StudioProject
    std::vector<std::string> machines;  // ExistingMachines 1..n
    std::vector<bool> forMachine;       // ForMachine1..n
    // Source_DEFS: System, Part, Var_Name, in table order.
    std::vector<std::tuple<std::string, int, std::string>> defs;
    std::vector<std::string> fieldNames;      // Source_PRESET_DEFS = PRESET_DEFS
    std::vector<dao::ColumnType> fieldTypes;  // same order
    std::vector<Record> source;               // as read, in ID order
    bool unitExists = false;
    std::vector<dao::ColumnType> unitFieldTypes;  // the unit's PRESET_DEFS, same names
    std::vector<Record> unit;                     // as read, in table order
};

// A reported failure: its number and the procedure that reported it.
using Reported = std::set<std::pair<int32_t, std::string>>;

struct OracleResult {
    std::vector<Record> published;
    Reported failures;
};

OracleResult RunOracle(const OracleProject& project);

}  // namespace calvora::test
