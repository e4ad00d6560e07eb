// The renames of variable names in the unit database, made in memory.
//
// Record generation renames the unit database's variable names once per
// generated var_name (VarNameInQuelleErsetzen): every record named in the
// other project kind's naming gets the current kind's name. Up to 32,767
// such renames, each a query over the whole table, make a large run slow;
// instead the unit database's var_name values are read once, each rename
// finds its records through a map from the case-blind name to the records
// carrying it, and the names that changed are written back together when
// the renames are over. The unit database ends as the same renames made one
// after the other leave it; when no name changes it is not written at all,
// so it stays the same file byte for byte.
//
// Where a rename's query would fail, the rename reports the same failure: a
// unit database that cannot be opened (its number, on every rename, as if
// each had tried to open it), a unit database without PRESET_DEFS (3078) or
// without var_name (3061). A name holding double quotes is looked for as it
// is, like any other.
#pragma once

#include <boost/unordered/unordered_flat_map.hpp>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "dao/database.h"
#include "dao/recordset.h"
#include "dao/schema.h"
#include "errors/run_state.h"
#include "platform/failure.h"
#include "platform/variant.h"

namespace calvora {

class UnitRenames {
  public:
    // Nothing is read before the first rename asks for it, so a generation
    // without any var_name leaves the unit database untouched.
    explicit UnitRenames(RunState& run) : run_(run) {}
    // Writes the renames made so far as Close() does, without reporting
    // (for example when the end-of-program signal unwinds).
    ~UnitRenames();
    UnitRenames(const UnitRenames&) = delete;
    UnitRenames& operator=(const UnitRenames&) = delete;

    // Writes the changed names into the unit database and commits them;
    // without any, closes it without saving. A failed write or commit (3218
    // or 3045 locked after the wait, 3026 disk full, 3043 disk error) is
    // reported once as "VarNameInQuelleErsetzen", none of the renames is
    // stored, and it returns false.
    bool Close();

    // VarNameInQuelleErsetzen(name0, name1): in the unit database's
    // PRESET_DEFS, every record named in the other project kind's naming
    // gets the current kind's name (StudioProject 0: name1 becomes name0;
    // 1: name0 becomes name1), names compared without regard to case; each
    // rename is noted in run.Account. A new name too long for the field is
    // 3163, once per record it would have renamed (that record keeps its
    // name). Reports as "VarNameInQuelleErsetzen". No unit database: no
    // change.
    void Rename(const std::string& name0, const std::string& name1);

  private:
    // The records carrying one case-blind name, in table order: a chain
    // through next_ (kNone ends it).
    struct Chain {
        size_t first;
        size_t last;
    };
    static constexpr size_t kNone = SIZE_MAX;

    void Start();
    void Write();
    // Appends record r to the chain of key.
    void Link(const std::string& key, size_t r);

    RunState& run_;
    bool started_ = false;
    bool present_ = false;  // the unit database exists
    dao::Database db_;
    // The names read, kept open to write the changed ones back.
    dao::Recordset namesRs_;
    std::optional<Failure> openFailure_;   // opening the unit database
    std::optional<Failure> queryFailure_;  // its PRESET_DEFS.var_name
    dao::ColumnType varNameType_;
    std::vector<Variant> names_;  // var_name of each record, in table order
    std::vector<bool> changed_;
    // UCase(var_name) -> the records carrying it (the engine's text equality).
    boost::unordered_flat_map<std::string, Chain> byName_;
    std::vector<size_t> next_;  // the record after each in its chain
};

}  // namespace calvora
