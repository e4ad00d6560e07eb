// The rows of both tables are read whole: a preset table holds at most
// 32,767 records, and pairing by key needs all of them at hand.
#include "tools/presetdb_diff.h"

#include <map>

#include "account/run_account.h"
#include "dao/dao.h"
#include "platform/failure.h"
#include "platform/text.h"

namespace calvora::tool {

namespace {

constexpr int kDifferent = 1;
constexpr int kTrouble = 2;

const std::vector<std::string> kTakeoverKey = {"machine_type", "var_name", "offset_or_bitno"};

struct Table {
    std::vector<std::string> names;
    std::vector<std::vector<Variant>> rows;

    // The position of a field by name without regard to case, or -1.
    int Find(const std::string& name) const {
        for (size_t i = 0; i < names.size(); ++i)
            if (EqualsNoCase(names[i], name))
                return static_cast<int>(i);
        return -1;
    }
};

Table ReadTable(const std::string& file, const std::string& table) {
    dao::Database db = dao::OpenDatabaseReadOnly(file);
    dao::Recordset rs = db.OpenRecordset(db.TableDefs().Item(table).Name());
    dao::Fields fields = rs.Fields();
    Table result;
    for (int32_t i = 0; i < fields.Count(); ++i)
        result.names.push_back(fields.Item(i).Name());
    for (; !rs.Eof(); rs.MoveNext()) {
        std::vector<Variant>& row = result.rows.emplace_back(result.names.size());
        for (int32_t i = 0; i < fields.Count(); ++i)
            row[i] = fields.Item(i).Value();
    }
    rs.Close();
    db.Close();
    return result;
}

std::vector<int> KeyColumns(const Table& table, const std::vector<std::string>& key,
                            const std::string& file) {
    std::vector<int> columns;
    for (const std::string& name : key) {
        int column = table.Find(name);
        if (column < 0)
            RaiseRuntime(3265, "Item not found in this collection: the key field '" + name +
                                   "' is not in the table of " + file + ".");
        columns.push_back(column);
    }
    return columns;
}

std::string RowKey(const std::vector<Variant>& row, const std::vector<int>& columns,
                   bool bareLast) {
    std::string key;
    for (size_t i = 0; i < columns.size(); ++i)
        key += MatchKeyPart(row[columns[i]], bareLast && i + 1 == columns.size()) + '\x1f';
    return key;
}

bool SameValue(const Variant& a, const Variant& b) {
    auto number = [](const Variant& v) { return v.IsNumeric() && v.Type() != VarType::Boolean; };
    if (number(a) && number(b))
        return a.NumericValue() == b.NumericValue();
    return a == b;
}

}  // namespace

int RunDiff(const DiffOptions& options, std::ostream& out, std::ostream& err) {
    bool different = false;
    int result = Guarded(err, [&] {
        const std::vector<std::string>& key = options.key.empty() ? kTakeoverKey : options.key;
        const bool bareLast = options.key.empty();
        Table before = ReadTable(options.oldFile, options.table);
        Table after = ReadTable(options.newFile, options.table);
        std::vector<int> beforeKey = KeyColumns(before, key, options.oldFile);
        std::vector<int> afterKey = KeyColumns(after, key, options.newFile);

        std::vector<std::string> names = {"change"};
        names.insert(names.end(), key.begin(), key.end());
        names.insert(names.end(), {"field", "old", "new"});
        RowWriter writer(options.format, out, names);
        auto write = [&](const char* change, const std::vector<Variant>& row,
                         const std::vector<int>& keyColumns, const std::string& field,
                         const Variant& oldValue, const Variant& newValue) {
            std::vector<Variant> values = {Variant::Text(change)};
            for (int column : keyColumns)
                values.push_back(row.empty() ? Variant::Null() : row[column]);
            values.insert(values.end(), {field.empty() ? Variant::Null() : Variant::Text(field),
                                         oldValue, newValue});
            writer.Write(values);
            different = true;
        };

        for (const std::string& name : before.names)
            if (after.Find(name) < 0)
                write("field only in OLD", {}, beforeKey, name, Variant::Null(), Variant::Null());
        for (const std::string& name : after.names)
            if (before.Find(name) < 0)
                write("field only in NEW", {}, afterKey, name, Variant::Null(), Variant::Null());

        // Rows of one key are paired in their order in each table.
        std::map<std::string, std::vector<size_t>> afterRows;
        for (size_t r = 0; r < after.rows.size(); ++r)
            afterRows[RowKey(after.rows[r], afterKey, bareLast)].push_back(r);
        std::map<std::string, size_t> taken;
        std::vector<bool> paired(after.rows.size(), false);
        for (const std::vector<Variant>& row : before.rows) {
            std::string rowKey = RowKey(row, beforeKey, bareLast);
            auto at = afterRows.find(rowKey);
            size_t& next = taken[rowKey];
            if (at == afterRows.end() || next >= at->second.size()) {
                write("only in OLD", row, beforeKey, "", Variant::Null(), Variant::Null());
                continue;
            }
            size_t r = at->second[next++];
            paired[r] = true;
            for (size_t i = 0; i < before.names.size(); ++i) {
                int j = after.Find(before.names[i]);
                if (j >= 0 && !SameValue(row[i], after.rows[r][j]))
                    write("changed", row, beforeKey, before.names[i], row[i], after.rows[r][j]);
            }
        }
        for (size_t r = 0; r < after.rows.size(); ++r)
            if (!paired[r])
                write("only in NEW", after.rows[r], afterKey, "", Variant::Null(), Variant::Null());
        writer.Finish();
    });
    if (result != kSuccess)
        return kTrouble;
    return different ? kDifferent : kSuccess;
}

void AddDiffCommand(CLI::App& app, std::ostream& out, std::ostream& err, int& exitCode) {
    auto options = std::make_shared<DiffOptions>();
    CLI::App* cmd = app.add_subcommand("diff", "what differs between a table of two databases");
    cmd->add_option("OLD", options->oldFile, "the older database")->required();
    cmd->add_option("NEW", options->newFile, "the newer database")->required();
    cmd->add_option("--table", options->table, "the table compared (default: PRESET_DEFS)");
    cmd->add_option("--key", options->key,
                    "the fields that pair the rows, comma-separated (default: machine_type,"
                    "var_name,offset_or_bitno)")
        ->delimiter(',');
    std::shared_ptr<OutputFormat> format = AddOutputOptions(*cmd);
    cmd->footer(
        std::string("Exit codes: 0 the tables hold the same rows, 1 they differ, 2 trouble\n"
                    "(a usage error too, as diff and cmp have it).\n") +
        kFormatsHelp);
    cmd->callback([options, format, &out, &err, &exitCode] {
        options->format = *format;
        exitCode = RunDiff(*options, out, err);
    });
}

}  // namespace calvora::tool
