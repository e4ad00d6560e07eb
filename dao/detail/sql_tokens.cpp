#include "dao/detail/sql_tokens.h"

#include <array>

#include "dao/types.h"
#include "platform/failure.h"
#include "platform/text.h"

namespace calvora::dao::detail {

namespace {

// Character classes, looked up per byte: the tokenizer sees every byte of
// every statement, and the program sends tens of thousands of them.
enum CharClass : unsigned char { kOther = 0, kBlank = 1, kDigit = 2, kWord = 4 };

constexpr std::array<unsigned char, 256> MakeClasses() {
    std::array<unsigned char, 256> classes{};
    for (int c = 0; c < 256; ++c) {
        // Letters, digits, underscore and every byte of a non-ASCII character.
        if (c >= 0x80 || c == '_' || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))
            classes[c] = kWord;
        if (c >= '0' && c <= '9')
            classes[c] = kWord | kDigit;
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n')
            classes[c] = kBlank;
    }
    return classes;
}

constexpr std::array<unsigned char, 256> kClasses = MakeClasses();

bool Is(char c, CharClass what) {
    return (kClasses[static_cast<unsigned char>(c)] & what) != 0;
}

bool IsDigit(char c) {
    return Is(c, kDigit);
}

bool IsWordChar(char c) {
    return Is(c, kWord);
}

bool IsBlank(char c) {
    return Is(c, kBlank);
}

}  // namespace

void RaiseSyntax(std::string_view sql, const std::string& problem) {
    throw Failure(err::kSyntaxError, kSourceDatabase,
                  "Syntax error in query expression: " + problem + " in '" + Left(sql, 300) + "'");
}

std::string SqlToken::Value() const {
    if (kind != Kind::Text)
        return std::string(text);
    // The quote character stands just before the text.
    const char quote = *(text.data() - 1);
    std::string value;
    value.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        value += text[i];
        if (text[i] == quote)
            ++i;  // the second of a doubled quote
    }
    return value;
}

std::vector<SqlToken> TokenizeSql(std::string_view sql) {
    std::vector<SqlToken> tokens;
    tokens.reserve(sql.size() / 4 + 2);  // about one token for every four bytes
    size_t i = 0;
    while (i < sql.size()) {
        const char c = sql[i];
        if (IsBlank(c)) {
            ++i;
            continue;
        }
        SqlToken token;
        token.offset = i;
        if (c == '"' || c == '\'') {
            token.kind = SqlToken::Kind::Text;
            size_t j = i + 1;
            for (;; ++j) {
                j = sql.find(c, j);
                if (j == std::string_view::npos)
                    RaiseSyntax(sql, "unbalanced quote (" + std::string(1, c) + ")");
                if (j + 1 < sql.size() && sql[j + 1] == c)
                    ++j;  // a doubled quote stands for one
                else
                    break;
            }
            token.text = sql.substr(i + 1, j - i - 1);
            i = j + 1;
        } else if (c == '[') {
            token.kind = SqlToken::Kind::Name;
            const size_t close = sql.find(']', i + 1);
            if (close == std::string_view::npos)
                RaiseSyntax(sql, "missing ] after a bracketed name");
            token.text = sql.substr(i + 1, close - i - 1);
            i = close + 1;
        } else if (IsDigit(c) || (c == '.' && i + 1 < sql.size() && IsDigit(sql[i + 1]))) {
            token.kind = SqlToken::Kind::Number;
            size_t j = i;
            while (j < sql.size() && IsDigit(sql[j]))
                ++j;
            if (j < sql.size() && sql[j] == '.')
                for (++j; j < sql.size() && IsDigit(sql[j]);)
                    ++j;
            if (j < sql.size() && (sql[j] == 'e' || sql[j] == 'E')) {
                size_t k = j + 1;
                if (k < sql.size() && (sql[k] == '+' || sql[k] == '-'))
                    ++k;
                if (k < sql.size() && IsDigit(sql[k])) {
                    while (k < sql.size() && IsDigit(sql[k]))
                        ++k;
                    j = k;
                }
            }
            if (j < sql.size() && IsWordChar(sql[j]))
                RaiseSyntax(sql, "a number runs into letters (" +
                                     std::string(sql.substr(i, j - i + 1)) + ")");
            token.text = sql.substr(i, j - i);
            i = j;
        } else if (IsWordChar(c)) {
            token.kind = SqlToken::Kind::Word;
            size_t j = i;
            while (j < sql.size() && IsWordChar(sql[j]))
                ++j;
            token.text = sql.substr(i, j - i);
            i = j;
        } else {
            token.kind = SqlToken::Kind::Symbol;
            token.text = sql.substr(i, 1);
            ++i;
        }
        token.end = i;
        tokens.push_back(token);
    }
    SqlToken end;
    end.offset = sql.size();
    end.end = sql.size();
    tokens.push_back(end);
    return tokens;
}

}  // namespace calvora::dao::detail
