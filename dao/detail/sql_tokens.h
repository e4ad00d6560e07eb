// Splitting a Jet SQL text into tokens for the dialect translator.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace calvora::dao::detail {

struct SqlToken {
    enum class Kind { Word, Name, Text, Number, Symbol, End };
    Kind kind = Kind::End;
    std::string_view text;  // in the SQL text. Word/Number: as written; Name:
                            // without brackets; Text: between the quotes, a
                            // quote inside still doubled; Symbol: the character
    size_t offset = 0;      // byte offset in the SQL text, for messages
    size_t end = 0;         // byte offset just after the token (quotes included)

    // A Text literal's value: a doubled quote stands for one ("ab""c" is ab"c).
    std::string Value() const;
};

// The tokens of sql, ending with one End token; they point into sql. Blanks, tabs and line breaks
// separate tokens. Raises 3075 for an unbalanced quote or bracket and for a
// number run into letters.
std::vector<SqlToken> TokenizeSql(std::string_view sql);

// Raises 3075 describing a syntax problem in sql (shown in the description).
[[noreturn]] void RaiseSyntax(std::string_view sql, const std::string& problem);

}  // namespace calvora::dao::detail
