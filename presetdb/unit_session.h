// The unit database held open while the records are generated.
//
// Record generation renames variable names in the unit database once per
// generated var_name (VarNameInQuelleErsetzen). Opening the file and scanning
// PRESET_DEFS for each of up to 32767 names makes a large run quadratic, so
// record generation keeps one connection open for its whole duration and
// indexes var_name for the renaming query (a temporary index: the file never
// holds it).
//
// The index is made only when the first renaming query is about to run, and
// a session that renamed no record ends without saving anything: the unit
// database then stays byte for byte as it was, its time stamp included.
// An index that another program's lock prevents is waited for as any write
// is, then reported once; the renames go on without it.
//
// The session only speeds the renaming up; what the user sees stays the
// same. When the unit database is missing there is no open session and each
// rename looks for the file itself. When it cannot be opened, the session
// keeps the failure and each rename reports it, as if it had tried to open
// the file (without waiting out another program's lock each time again).
// The renames of one session are committed together when it closes.
//
// Most names looked for are not in the unit database at all (it usually
// carries the current kind's names from the last run). The session reads its
// var_name values once, and a name that is certainly not among them is not
// queried: such a query could neither change nor fail anything. Only plain
// ASCII names are judged so, where the engine's case-blind comparison is
// plain upper-casing; any other name is queried.
#pragma once

#include <optional>
#include <string>
#include <unordered_set>

#include "dao/database.h"
#include "errors/error_protocol.h"
#include "errors/run_state.h"
#include "platform/failure.h"

namespace calvora {

class UnitDatabaseSession {
  public:
    // Nothing is opened before the first rename asks for it (Start), so a
    // generation without any var_name leaves the unit database untouched.
    explicit UnitDatabaseSession(RunState& run) : run_(run) {}
    // Closes as Close() does, without reporting (the renames stored so far
    // stay, for example when the end-of-program signal unwinds).
    ~UnitDatabaseSession();
    UnitDatabaseSession(const UnitDatabaseSession&) = delete;
    UnitDatabaseSession& operator=(const UnitDatabaseSession&) = delete;

    // On its first call: opens the unit database (GetPathOCXMDB) when the
    // file exists and reads its names. A failure to open is not reported
    // here: the renames report it themselves.
    void Start();

    // Before a renaming query: indexes PRESET_DEFS.var_name on the first
    // call. A lock that outlasts the wait is reported through proc (3218 /
    // 3045), once; a table or field that is missing is left to the query.
    void PrepareRename(Proc& proc);

    bool IsOpen() const { return static_cast<bool>(db_); }
    dao::Database& Db() { return db_; }
    // False only when no record of the unit database can carry name and a
    // query for it could not fail.
    bool MayMatch(const std::string& name) const;
    // Notes that records now carry name (records were renamed to it).
    void Renamed(const std::string& name);

    // The failure of the attempt to open the unit database, if any.
    const std::optional<Failure>& OpenFailure() const { return openFailure_; }

    // Commits the renames; without any, closes without saving. A failed
    // commit (3218 locked, 3026 disk full, 3043 disk error) is reported as
    // "VarNameInQuelleErsetzen" and every rename of the session is rolled
    // back; returns false then.
    bool Close();

  private:
    void CloseDatabase();

    RunState& run_;
    dao::Database db_;
    std::optional<Failure> openFailure_;
    // The upper-cased var_name values, when all are known and plain ASCII.
    std::optional<std::unordered_set<std::string>> names_;
    bool started_ = false;
    bool indexTried_ = false;
    bool renamed_ = false;  // a record was renamed
};

// VarNameInQuelleErsetzen (name_resolution.h) working on an open session's
// connection instead of opening the unit database itself; with a session
// that is null or not open it is the plain VarNameInQuelleErsetzen.
void VarNameInQuelleErsetzen(RunState& run, const std::string& name0, const std::string& name1,
                             UnitDatabaseSession* session);

}  // namespace calvora
