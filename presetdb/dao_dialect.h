// The SQL dialect of the preset procedures: the Jet engine's, for the small
// subset the program sends, translated to SQLite.
//
//   SELECT select-list FROM table [WHERE condition] [ORDER BY order-list] [;]
//   select-list := * | item {, item}      item := [table.]field | table.*
//   condition   := term {AND term}        term := ( condition ) | operand = operand
//   operand     := [table.]field | "text" | 'text' | [-]number | ( operand )
//   order-list  := [table.]field [ASC|DESC] {, ...}
//
// Keywords and names are case-blind; names may be written in [brackets].
// A quoted literal ends at its closing quote; a doubled quote inside stands
// for one quote character ("ab""c" is ab"c). Literals become bound
// parameters: they are never spliced into SQLite's SQL, so a value can only
// ever be compared, never run. Equality of texts ignores letter case
// (Unicode simple case folding, as UCase), as the Jet engine does; at least
// one side of each = must be a field.
//
// Failures: 3061 for a field (or qualifying table) the table does not have;
// 3078 for an unknown table; 3075 for anything outside the grammar (an
// unbalanced quote, text after a closing quote, OR, other operators,
// functions, joins, an empty name); 3129 for a statement that is not a
// SELECT.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "presetdb/dao_schema.h"

namespace calvora::dao {

// The plan of one query, ready for SQLite.
struct TranslatedQuery {
    std::string table;                // the table's stored name
    std::vector<int> columns;         // selected column positions in the table
    std::string sql;                  // SELECT rowid, ... with ?1.. parameters
    std::vector<std::string> params;  // the literal texts, in parameter order
    std::string rowidAlias;           // SQLite's name for the row id in sql
};

struct TableColumns {
    std::string name;
    std::vector<std::string> columnNames;  // stored names, column order
    std::vector<ColumnType> columnTypes;   // same order; text types compare case-blind
};

// Translates a SELECT text. lookup(name) returns the table of that case-blind
// name, or nullptr when there is none. Raises as described above.
using TableLookup = std::function<const TableColumns*(std::string_view name)>;
TranslatedQuery TranslateSelect(std::string_view jetSql, const TableLookup& lookup);

// True when the text starts with the word SELECT (after blanks).
bool IsSelectText(std::string_view text);

// The name of the collation that the translated SQL uses for case-blind text
// equality; registered on every connection of the engine.
inline constexpr const char* kNoCaseCollation = "CALVORA_NOCASE";

}  // namespace calvora::dao
