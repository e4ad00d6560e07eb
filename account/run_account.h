// The account of one run: what the procedures did to the unit's presets.
//
// The tuned limit values in the unit database are the one part of a project
// that cannot be regenerated, so every run keeps an account of what became of
// them. The procedures note each fact where it arises (record generation, the
// renames, the takeover, the error protocol, the publish); the account itself
// never looks at a database, so the report tells exactly what the run did.
#pragma once

#include <array>
#include <boost/unordered/unordered_flat_map.hpp>
#include <chrono>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/variant.h"

namespace calvora {

// The three fields that pair a machine-copy record with a regenerated one.
struct PresetKey {
    Variant machineType;
    Variant varName;
    Variant offset;
};

// The five values the takeover carries over, in this order.
inline constexpr std::array<const char*, 5> kTunedFields = {"abs_min", "abs_max", "min", "max",
                                                            "pass"};

struct DroppedRecord {
    PresetKey key;
    std::array<Variant, 5> values;  // abs_min, abs_max, min, max, pass
};

// A taken-over min or max outside the abs_min..abs_max that the record had
// as generated from its template.
struct OutOfRangeRecord {
    PresetKey key;
    Variant min, max, absMin, absMax;
};

struct ReportedFailure {
    int32_t number = 0;
    std::string procedure;
    std::string description;
};

struct MachineAccount {
    std::string name;
    bool valid = false;
    int32_t records = 0;
};

struct RenameAccount {
    std::string oldName;
    std::string newName;
    int32_t records = 0;
};

class RunAccount {
  public:
    RunAccount() = default;
    // Moved, never copied: its index of renames refers to its own names.
    RunAccount(const RunAccount&) = delete;
    RunAccount& operator=(const RunAccount&) = delete;
    RunAccount(RunAccount&&) = default;
    RunAccount& operator=(RunAccount&&) = default;

    // The unit's history folder (a Windows path), once the run knows its
    // unit, and the name the run reserved there ("" until then).
    void NoteHistoryFolder(const std::string& folder) { historyFolder_ = folder; }
    void NoteRunName(const std::string& name) { runName_ = name; }

    // Record generation: a machine of the project, valid or not; then each
    // record generated for the last machine noted, in the order written
    // (the first is record 0).
    void NoteMachine(const std::string& name, bool valid);
    void NoteGenerated(PresetKey key);

    // A unit-database record renamed from oldName to newName (records of one
    // pair are counted together).
    void NoteRename(std::string_view oldName, std::string_view newName);

    // The takeover: a generated record (by its number, see NoteGenerated)
    // that received the tuned values; a machine-copy record without
    // counterpart; a taken-over range outside the template's.
    void NoteTuned(size_t record);
    void NoteDropped(DroppedRecord record) { dropped_.push_back(std::move(record)); }
    void NoteOutOfRange(OutOfRangeRecord record) { outOfRange_.push_back(std::move(record)); }

    void NoteFailure(ReportedFailure failure) { failures_.push_back(std::move(failure)); }
    void NotePublished() { published_ = true; }
    // The file name of the backup kept in the history folder.
    void NoteBackup(const std::string& fileName) { backup_ = fileName; }

    std::chrono::system_clock::time_point Started() const { return started_; }
    const std::string& HistoryFolder() const { return historyFolder_; }
    const std::string& RunName() const { return runName_; }
    const std::vector<MachineAccount>& Machines() const { return machines_; }
    int32_t Records() const { return static_cast<int32_t>(generated_.size()); }
    const std::deque<RenameAccount>& Renames() const { return renames_; }
    // Distinct regenerated records that received tuned values.
    int32_t Tuned() const { return tunedCount_; }
    const std::vector<DroppedRecord>& Dropped() const { return dropped_; }
    const std::vector<OutOfRangeRecord>& OutOfRange() const { return outOfRange_; }
    // Generated records that no machine-copy record reached: they keep the
    // template's values (a record sharing its keys with an earlier one among
    // them, since the takeover serves only the first).
    std::vector<PresetKey> NewRecords() const;
    const std::vector<ReportedFailure>& Failures() const { return failures_; }
    bool Published() const { return published_; }
    const std::string& Backup() const { return backup_; }

  private:
    std::chrono::system_clock::time_point started_ = std::chrono::system_clock::now();
    std::string historyFolder_;
    std::string runName_;
    std::vector<MachineAccount> machines_;
    std::vector<PresetKey> generated_;
    // A run at the record limit notes tens of thousands of renames: each pair
    // is found by views of its own names (a deque does not move them), so
    // noting a rename makes no key text. The pair carries its hash, worked
    // out once per rename: the map looks at it for every pair it passes.
    struct NamePair {
        std::string_view oldName;
        std::string_view newName;
        size_t hash;
        bool operator==(const NamePair& o) const {
            return oldName == o.oldName && newName == o.newName;
        }
    };
    struct NamePairHash {
        size_t operator()(const NamePair& p) const noexcept { return p.hash; }
    };
    std::deque<RenameAccount> renames_;
    boost::unordered_flat_map<NamePair, size_t, NamePairHash> renameIndex_;
    std::vector<bool> tuned_;  // by generated record
    int32_t tunedCount_ = 0;
    std::vector<DroppedRecord> dropped_;
    std::vector<OutOfRangeRecord> outOfRange_;
    std::vector<ReportedFailure> failures_;
    bool published_ = false;
    std::string backup_;
};

// The key as the takeover's query compares it: texts without regard to case,
// the offset as a number. Equal keys name the same record.
std::string MatchKey(const PresetKey& key);

// One key field so compared. bare: the field stands in the query without
// quotes, so a text that reads as a number counts as that number.
std::string MatchKeyPart(const Variant& v, bool bare);

}  // namespace calvora
