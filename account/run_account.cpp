#include "account/run_account.h"

#include <cstdlib>

#include "platform/text.h"

namespace calvora {

// A field that is not text or number stands as its type, so it can never
// equal a text or number.
std::string MatchKeyPart(const Variant& v, bool bare) {
    if (bare && v.IsText()) {
        // The offset stands bare in the query, so "4" matches 4.
        char* end = nullptr;
        const std::string text(v.AsText());
        double value = std::strtod(text.c_str(), &end);
        if (!text.empty() && end == text.c_str() + text.size())
            return std::string("n").append(NumberToText(Variant::Double(value)));
    }
    if (v.IsText())
        return std::string("s").append(UCase(v.AsText()));
    if (v.IsNumeric() && v.Type() != VarType::Boolean)
        return std::string("n").append(NumberToText(Variant::Double(v.NumericValue())));
    return std::string("t").append(std::to_string(static_cast<int>(v.Type())));
}

std::string MatchKey(const PresetKey& key) {
    // Each part is prefixed by its kind, so a text never equals a number.
    return MatchKeyPart(key.machineType, false) + '\x1f' + MatchKeyPart(key.varName, false) +
           '\x1f' + MatchKeyPart(key.offset, true);
}

void RunAccount::NoteMachine(const std::string& name, bool valid) {
    machines_.push_back({name, valid, 0});
}

void RunAccount::NoteGenerated(PresetKey key) {
    if (!machines_.empty())
        ++machines_.back().records;
    generated_.push_back(std::move(key));
}

void RunAccount::NoteRename(std::string_view oldName, std::string_view newName) {
    const size_t first = std::hash<std::string_view>()(oldName);
    const size_t hash = first ^ (std::hash<std::string_view>()(newName) + 0x9e3779b97f4a7c15 +
                                 (first << 6) + (first >> 2));
    auto at = renameIndex_.find(NamePair{oldName, newName, hash});
    if (at == renameIndex_.end()) {
        const RenameAccount& added =
            renames_.emplace_back(RenameAccount{std::string(oldName), std::string(newName), 0});
        at = renameIndex_.emplace(NamePair{added.oldName, added.newName, hash}, renames_.size() - 1)
                 .first;
    }
    ++renames_[at->second].records;
}

void RunAccount::NoteTuned(size_t record) {
    if (record >= tuned_.size())
        tuned_.resize(generated_.size() > record ? generated_.size() : record + 1);
    if (!tuned_[record]) {
        tuned_[record] = true;
        ++tunedCount_;
    }
}

std::vector<PresetKey> RunAccount::NewRecords() const {
    std::vector<PresetKey> result;
    for (size_t r = 0; r < generated_.size(); ++r)
        if (r >= tuned_.size() || !tuned_[r])
            result.push_back(generated_[r]);
    return result;
}

}  // namespace calvora
