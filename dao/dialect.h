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
// for one quote character ("ab""c" is ab"c). Literals, texts and numbers,
// become bound parameters (a number with the value SQLite gives it in SQL):
// they are never spliced into SQLite's SQL, so a value can only ever be
// compared, never run. Equality of texts ignores letter case
// (Unicode simple case folding, as UCase), as the Jet engine does; at least
// one side of each = must be a field.
//
// Failures: 3061 for a field (or qualifying table) the table does not have;
// 3078 for an unknown table; 3075 for anything outside the grammar (an
// unbalanced quote, text after a closing quote, an empty name, parentheses
// nested more than 100 deep); OR, other comparison operators (<, >, LIKE,
// IS, IN, BETWEEN, NOT), functions and a second table are 3075 too, with a
// description that names the construct and says what the dialect accepts;
// 3129 for a statement that is not a SELECT.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "dao/detail/sql_tokens.h"
#include "dao/schema.h"

namespace calvora::dao {

// A literal of a SELECT text, bound to its parameter.
struct SqlLiteral {
    bool number = false;    // a number: it takes the value SQLite gives the same literal
    bool negative = false;  // a number written with a leading minus
    std::string text;       // the text's value, or the number's digits as written
};

// The plan of one query, ready for SQLite.
struct TranslatedQuery {
    std::string table;         // the table's stored name
    std::vector<int> columns;  // selected column positions in the table
    std::string sql;           // SELECT rowid, ... with literal n of the text as ?n
    std::string rowidAlias;    // SQLite's name for the row id in sql
    // For a query with ORDER BY: the same rows in the table's own order, each
    // followed by its sort keys (the columns after the selected ones), for a
    // reader that finds them already sorted and so needs no sort (see
    // OpenQueryRecordset). Empty where the keys cannot be checked that way.
    std::string scanSql;
    std::vector<bool> descending;  // per sort key of scanSql
};

struct TableColumns {
    std::string name;
    std::vector<std::string> columnNames;  // stored names, column order
    std::vector<ColumnType> columnTypes;   // same order; text types compare case-blind
};

// lookup(name) returns the table of that case-blind name, or nullptr when
// there is none.
using TableLookup = std::function<const TableColumns*(std::string_view name)>;

// A SELECT text and its literals. Every literal becomes a parameter of the
// translated statement, bound to the literal's value, so that no value
// written in the text can change what the statement does.
class SelectText {
  public:
    // Raises 3075 for an unbalanced quote or bracket and for a number run
    // into letters. The text must outlive this object (it is not copied).
    explicit SelectText(std::string_view sql);

    // The literals in the order of the text: the values of ?1, ?2, ...
    std::vector<SqlLiteral> Literals() const;
    // Translates the text. Raises as described above.
    TranslatedQuery Translate(const TableLookup& lookup) const;

  private:
    std::string_view sql_;
    std::vector<detail::SqlToken> tokens_;
    std::vector<size_t> literals_;  // the literals' places among the tokens
};

// True when the text starts with the word SELECT (after blanks).
bool IsSelectText(std::string_view text);

// The name of the collation that the translated SQL uses for case-blind text
// equality; registered on every connection of the engine.
inline constexpr const char* kNoCaseCollation = "CALVORA_NOCASE";

}  // namespace calvora::dao
