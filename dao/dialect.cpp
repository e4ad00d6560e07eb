#include "dao/dialect.h"

#include <array>

#include "dao/detail/connection.h"
#include "dao/detail/nocase.h"
#include "dao/detail/sql_tokens.h"
#include "dao/types.h"
#include "platform/failure.h"
#include "platform/text.h"

namespace calvora::dao {

namespace {

using detail::QuoteName;
using detail::RaiseSyntax;
using detail::SameName;
using detail::SqlToken;
using Kind = SqlToken::Kind;

// Words that cannot stand as a bare field or table name; written in
// [brackets] they can.
constexpr std::array kReserved = {
    "SELECT", "FROM", "WHERE", "AND",   "OR",    "NOT",     "ORDER",    "BY",   "ASC",
    "DESC",   "NULL", "IS",    "LIKE",  "IN",    "BETWEEN", "AS",       "JOIN", "ON",
    "INNER",  "LEFT", "RIGHT", "UNION", "GROUP", "HAVING",  "DISTINCT", "TOP",  "INTO",
};

bool IsReserved(std::string_view word) {
    for (const char* r : kReserved)
        if (SameName(word, r))
            return true;
    return false;
}

// Deeper nesting than any text the program sends; the bound keeps the
// recursive descent off the end of the stack whatever a user types.
constexpr int kMaxNesting = 100;

// What the dialect accepts, said whenever a text goes beyond it.
constexpr const char* kAccepted =
    "(the dialect accepts only SELECT fields FROM one table [WHERE field = value AND ...] "
    "[ORDER BY fields]: only = comparisons joined by AND)";

// Comparison symbols and words of Jet SQL that the dialect does not take.
bool IsOtherComparison(const SqlToken& t) {
    if (t.kind == Kind::Symbol)
        return t.text == "<" || t.text == ">" || t.text == "!";
    if (t.kind != Kind::Word)
        return false;
    for (const char* word : {"LIKE", "IS", "IN", "BETWEEN", "NOT"})
        if (SameName(t.text, word))
            return true;
    return false;
}

bool IsTextType(const ColumnType& t) {
    return t.type == DataType::Text || t.type == DataType::Memo || t.type == DataType::Guid;
}

// A name as written: [qualifier.]name, or qualifier.* (star set).
struct NameRef {
    std::string qualifier;
    std::string name;
    bool star = false;
};

// A translated piece of the WHERE clause.
struct Node {
    enum class What { Field, Literal, Condition } what;
    std::string sql;
    bool text = false;  // a text field or a text literal
};

// A field whose values SQLite stores as whole numbers: the reader of a scan
// can then compare its keys as they are stored.
bool HoldsWholeNumbers(const ColumnType& t) {
    return t.type == DataType::Boolean || t.type == DataType::Byte || t.type == DataType::Integer ||
           t.type == DataType::Long;
}

class Translator {
  public:
    Translator(std::string_view sql, const std::vector<SqlToken>& tokens, const TableLookup& lookup)
        : sql_(sql), lookup_(lookup), tokens_(tokens) {}

    TranslatedQuery Run() {
        if (!IsWord("SELECT"))
            throw Failure(
                err::kInvalidStatement, kSourceDatabase,
                "Invalid SQL statement; only SELECT is supported: '" + Left(sql_, 300) + "'");
        ++pos_;
        std::vector<NameRef> selectList = ParseSelectList();
        ExpectWord("FROM");
        NameRef from = ParseName("a table name after FROM");
        if (!from.qualifier.empty() || from.star)
            Fail("a table name after FROM");
        if (IsSymbol(',') || IsWord("JOIN") || IsWord("INNER") || IsWord("LEFT") || IsWord("RIGHT"))
            Unsupported("a second table");
        table_ = lookup_(from.name);
        if (!table_)
            throw Failure(err::kInputTableNotFound, kSourceDatabase,
                          "Cannot find the input table or query '" + from.name + "'");
        query_.table = table_->name;
        for (const NameRef& ref : selectList)
            AddSelected(ref);

        std::string where;
        if (IsWord("WHERE")) {
            ++pos_;
            Node condition = ParseAnd();
            if (condition.what != Node::What::Condition)
                Fail("a comparison after WHERE");
            where = " WHERE " + condition.sql;
        }
        std::string order;
        if (IsWord("ORDER")) {
            ++pos_;
            ExpectWord("BY");
            order = ParseOrderList();
        }
        if (Current().kind == Kind::Symbol && Current().text == ";")
            ++pos_;
        if (Current().kind != Kind::End)
            Fail("the end of the statement");

        const std::string rowid = detail::RowIdAlias(table_->columnNames);
        query_.rowidAlias = rowid;
        std::string sql = "SELECT " + rowid;
        for (int column : query_.columns)
            sql += ", " + QuoteName(table_->columnNames[column]);
        const std::string tail = " FROM " + QuoteName(table_->name) + where + " ORDER BY ";
        if (!sortKeys_.empty()) {
            query_.scanSql = sql;
            for (int column : sortKeys_)
                query_.scanSql += ", " + QuoteName(table_->columnNames[column]);
            query_.scanSql += tail + rowid;
        }
        query_.sql = sql + tail + order + rowid;
        return std::move(query_);
    }

  private:
    const SqlToken& Current() const { return tokens_[pos_]; }

    bool IsWord(const char* word) const {
        return Current().kind == Kind::Word && SameName(Current().text, word);
    }

    bool IsSymbol(char c) const { return Current().kind == Kind::Symbol && Current().text[0] == c; }

    [[noreturn]] void Fail(const std::string& expected) const {
        const SqlToken& t = Current();
        std::string found;
        switch (t.kind) {
            case Kind::End:
                found = "the end of the text";
                break;
            case Kind::Text:
                found = "the literal \"" + t.Value() + "\"";
                break;
            default:
                found = "'" + std::string(t.text) + "'";
                break;
        }
        RaiseSyntax(sql_, "expected " + expected + " but found " + found);
    }

    // A text beyond the dialect: names what it met and says what is accepted.
    [[noreturn]] void Unsupported(const std::string& what) const {
        RaiseSyntax(sql_, what + " is not supported " + kAccepted);
    }

    // The current token as the message names it: an operator pair such as
    // <> or >= as one.
    std::string OperatorHere() const {
        std::string op(Current().text);
        const SqlToken& next = tokens_[pos_ + 1];
        if (Current().kind == Kind::Symbol && next.kind == Kind::Symbol &&
            next.offset == Current().end && (next.text == "=" || next.text == ">"))
            op += next.text;
        return "'" + op + "'";
    }

    // A name followed by '(' is a function call.
    void RefuseCall(const NameRef& ref) const {
        if (IsSymbol('('))
            Unsupported("the function " + ref.name + "(...)");
    }

    void ExpectWord(const char* word) {
        if (!IsWord(word))
            Fail(word);
        ++pos_;
    }

    void ExpectSymbol(char c) {
        if (!IsSymbol(c))
            Fail(std::string("'") + c + "'");
        ++pos_;
    }

    std::string ParseSimpleName(const std::string& expected) {
        const SqlToken& t = Current();
        const bool bare = t.kind == Kind::Word && !IsReserved(t.text);
        if (!bare && !(t.kind == Kind::Name && !t.text.empty()))
            Fail(expected);
        ++pos_;
        return std::string(t.text);
    }

    // name | qualifier.name | qualifier.*
    NameRef ParseName(const std::string& expected) {
        NameRef ref;
        ref.name = ParseSimpleName(expected);
        if (IsSymbol('.')) {
            ++pos_;
            ref.qualifier = std::move(ref.name);
            if (IsSymbol('*')) {
                ++pos_;
                ref.star = true;
                ref.name.clear();
            } else {
                ref.name = ParseSimpleName("a field name after '" + ref.qualifier + ".'");
            }
        }
        return ref;
    }

    std::vector<NameRef> ParseSelectList() {
        std::vector<NameRef> list;
        do {
            if (!list.empty())
                ++pos_;  // the comma
            if (IsSymbol('*')) {
                ++pos_;
                list.push_back(NameRef{"", "", true});
            } else {
                list.push_back(ParseName("a field name in the SELECT list"));
                RefuseCall(list.back());
            }
        } while (IsSymbol(','));
        return list;
    }

    [[noreturn]] void RaiseUnknown(const NameRef& ref) const {
        const std::string written =
            ref.qualifier.empty() ? ref.name : ref.qualifier + "." + ref.name;
        throw Failure(err::kTooFewParameters, kSourceDatabase,
                      "Too few parameters: the query names '" + written + "', which table " +
                          table_->name + " does not have");
    }

    int Resolve(const NameRef& ref) const {
        if (!ref.qualifier.empty() && !SameName(ref.qualifier, table_->name))
            RaiseUnknown(ref);
        for (size_t i = 0; i < table_->columnNames.size(); ++i)
            if (SameName(table_->columnNames[i], ref.name))
                return static_cast<int>(i);
        RaiseUnknown(ref);
    }

    void AddSelected(const NameRef& ref) {
        if (!ref.star) {
            query_.columns.push_back(Resolve(ref));
            return;
        }
        if (!ref.qualifier.empty() && !SameName(ref.qualifier, table_->name))
            RaiseUnknown(NameRef{ref.qualifier, "*", false});
        for (size_t i = 0; i < table_->columnNames.size(); ++i)
            query_.columns.push_back(static_cast<int>(i));
    }

    Node ParseAnd() {
        Node left = ParseComparison();
        while (IsWord("AND")) {
            ++pos_;
            Node right = ParseComparison();
            if (left.what != Node::What::Condition || right.what != Node::What::Condition)
                RaiseSyntax(sql_, std::string("AND joins comparisons only ") + kAccepted);
            left.sql += " AND " + right.sql;
        }
        if (IsWord("OR"))
            Unsupported("OR");
        return left;
    }

    Node ParseComparison() {
        Node left = ParseOperand();
        if (IsOtherComparison(Current()))
            Unsupported("the operator " + OperatorHere());
        if (!IsSymbol('='))
            return left;
        ++pos_;
        Node right = ParseOperand();
        if (left.what == Node::What::Condition || right.what == Node::What::Condition)
            RaiseSyntax(sql_, "= compares a field with a field or a value");
        if (left.what != Node::What::Field && right.what != Node::What::Field)
            RaiseSyntax(sql_, "= needs a field on one side");
        Node result{Node::What::Condition, left.sql + " = " + right.sql, false};
        // Text compares case-blind, as in the Jet engine; numbers keep
        // SQLite's numeric comparison (and an index without collation).
        if (left.text || right.text)
            result.sql += std::string(" COLLATE ") + kNoCaseCollation;
        return result;
    }

    Node ParseOperand() {
        const SqlToken& t = Current();
        if (IsSymbol('(')) {
            if (++depth_ > kMaxNesting)
                RaiseSyntax(
                    sql_, "parentheses nested more than " + std::to_string(kMaxNesting) + " deep");
            ++pos_;
            Node inner = ParseAnd();
            ExpectSymbol(')');
            --depth_;
            // With AND the only connective, parentheses change no meaning;
            // they stay out of SQLite's text, whose parser has a depth limit
            // of its own.
            return inner;
        }
        // Literals are parameters, numbered in the order of the text; a
        // minus before a number belongs to the number's value.
        if (t.kind == Kind::Text) {
            ++pos_;
            return Node{Node::What::Literal, NextParam(), true};
        }
        if (t.kind == Kind::Number) {
            ++pos_;
            return Node{Node::What::Literal, NextParam(), false};
        }
        if (IsSymbol('-') && tokens_[pos_ + 1].kind == Kind::Number) {
            pos_ += 2;
            return Node{Node::What::Literal, NextParam(), false};
        }
        if (t.kind == Kind::Word || t.kind == Kind::Name) {
            NameRef ref = ParseName("a field or a value");
            RefuseCall(ref);
            if (ref.star)
                RaiseSyntax(sql_, "* cannot be compared");
            const int column = Resolve(ref);
            return Node{Node::What::Field, ComparedColumn(column),
                        IsTextType(table_->columnTypes[column])};
        }
        Fail("a field or a value");
    }

    std::string NextParam() { return detail::ParamName(++params_); }

    // A column as comparisons and sorting see it. Memo texts that look like
    // numbers are stored as blobs (see BindStored), which SQLite would rank
    // apart from texts; as text they compare like every other memo text.
    std::string ComparedColumn(int column) const {
        const std::string name = QuoteName(table_->columnNames[column]);
        if (table_->columnTypes[column].type == DataType::Memo)
            return "CAST(" + name + " AS TEXT)";
        return name;
    }

    std::string ParseOrderList() {
        std::string order;
        bool checkable = true;
        do {
            if (!order.empty())
                ++pos_;  // the comma
            NameRef ref = ParseName("a field name after ORDER BY");
            if (ref.star)
                RaiseSyntax(sql_, "* cannot be sorted by");
            const int column = Resolve(ref);
            order += ComparedColumn(column);
            if (IsTextType(table_->columnTypes[column]))
                order += std::string(" COLLATE ") + kNoCaseCollation;
            bool descending = false;
            if (IsWord("DESC")) {
                order += " DESC";
                descending = true;
                ++pos_;
            } else if (IsWord("ASC")) {
                ++pos_;
            }
            order += ", ";
            sortKeys_.push_back(column);
            query_.descending.push_back(descending);
            checkable = checkable && HoldsWholeNumbers(table_->columnTypes[column]);
        } while (IsSymbol(','));
        if (!checkable) {
            sortKeys_.clear();
            query_.descending.clear();
        }
        return order;
    }

    std::string_view sql_;
    const TableLookup& lookup_;
    const std::vector<SqlToken>& tokens_;
    size_t pos_ = 0;
    size_t params_ = 0;
    int depth_ = 0;  // parentheses open around the current operand
    const TableColumns* table_ = nullptr;
    std::vector<int> sortKeys_;  // the columns of ORDER BY that a reader can check
    TranslatedQuery query_;
};

}  // namespace

SelectText::SelectText(std::string_view sql) : sql_(sql), tokens_(detail::TokenizeSql(sql)) {
    for (size_t i = 0; i < tokens_.size(); ++i)
        if (tokens_[i].kind == Kind::Text || tokens_[i].kind == Kind::Number)
            literals_.push_back(i);
}

std::vector<SqlLiteral> SelectText::Literals() const {
    std::vector<SqlLiteral> literals;
    literals.reserve(literals_.size());
    for (size_t i : literals_) {
        const SqlToken& t = tokens_[i];
        if (t.kind == Kind::Text)
            literals.push_back(SqlLiteral{false, false, t.Value()});
        // The grammar takes a minus only as a number's sign.
        else
            literals.push_back(SqlLiteral{
                true, i > 0 && tokens_[i - 1].kind == Kind::Symbol && tokens_[i - 1].text == "-",
                std::string(t.text)});
    }
    return literals;
}

TranslatedQuery SelectText::Translate(const TableLookup& lookup) const {
    return Translator(sql_, tokens_, lookup).Run();
}

bool IsSelectText(std::string_view text) {
    size_t i = 0;
    while (i < text.size() &&
           (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n'))
        ++i;
    const std::string_view word = text.substr(i, 6);
    return EqualsNoCase(word, "SELECT") &&
           (text.size() == i + 6 ||
            !(std::isalnum(static_cast<unsigned char>(text[i + 6])) || text[i + 6] == '_'));
}

}  // namespace calvora::dao
