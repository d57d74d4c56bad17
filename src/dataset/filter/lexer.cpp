#include "dataset/filter/lexer.h"

#include <charconv>

#include "dataset/dataset_error.h"
#include "platform/text.h"

namespace trunaccount::filter {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }
// Field names are ASCII: letters, digits and '_', not starting with a digit.
bool isNameStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool isNamePart(char c) { return isNameStart(c) || isDigit(c); }
bool isContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

TokenKind keyword(std::string_view word) {
    using platform::equalsIgnoreAsciiCase;
    if (equalsIgnoreAsciiCase(word, "and")) return TokenKind::And;
    if (equalsIgnoreAsciiCase(word, "or")) return TokenKind::Or;
    if (equalsIgnoreAsciiCase(word, "not")) return TokenKind::Not;
    if (equalsIgnoreAsciiCase(word, "like")) return TokenKind::Like;
    if (equalsIgnoreAsciiCase(word, "between")) return TokenKind::Between;
    return TokenKind::Identifier;
}

class Scanner {
public:
    explicit Scanner(std::string_view s) : s_(s) {}

    std::vector<Token> run() {
        std::vector<Token> tokens;
        for (;;) {
            while (i_ < s_.size() && platform::isBlankOrControl(s_[i_])) advance();
            Token t;
            t.position = chars_ + 1;
            if (i_ >= s_.size()) {
                tokens.push_back(std::move(t));
                return tokens;
            }
            char c = s_[i_];
            if (isNameStart(c)) {
                std::size_t start = i_;
                while (i_ < s_.size() && isNamePart(s_[i_])) advance();
                t.text = std::string(s_.substr(start, i_ - start));
                t.kind = keyword(t.text);
            } else if (isDigit(c) || (c == '.' && i_ + 1 < s_.size() && isDigit(s_[i_ + 1]))) {
                scanNumber(t);
            } else if (c == '\'') {
                scanText(t);
            } else {
                scanOperator(t);
            }
            tokens.push_back(std::move(t));
        }
    }

private:
    void advance() {
        ++i_;
        if (i_ >= s_.size() || !isContinuationByte(s_[i_])) ++chars_;
    }

    void scanNumber(Token& t) {
        std::size_t start = i_;
        while (i_ < s_.size() && isDigit(s_[i_])) advance();
        if (i_ < s_.size() && s_[i_] == '.') {
            advance();
            while (i_ < s_.size() && isDigit(s_[i_])) advance();
        }
        if (i_ < s_.size() && (s_[i_] == 'e' || s_[i_] == 'E')) {
            std::size_t j = i_ + 1;
            if (j < s_.size() && (s_[j] == '+' || s_[j] == '-')) ++j;
            if (j < s_.size() && isDigit(s_[j])) {
                while (i_ < j) advance();
                while (i_ < s_.size() && isDigit(s_[i_])) advance();
            }
        }
        t.kind = TokenKind::Number;
        t.text = std::string(s_.substr(start, i_ - start));
        auto [p, ec] = std::from_chars(t.text.data(), t.text.data() + t.text.size(), t.number);
        if (ec != std::errc() || p != t.text.data() + t.text.size())
            throw FilterError("number " + t.text + " is out of range", t.position, "数字" + t.text + "超出范围");
    }

    void scanText(Token& t) {
        std::size_t open = t.position;
        advance();  // the opening quote
        for (;;) {
            if (i_ >= s_.size()) throw FilterError("text without its closing quote", open);
            char c = s_[i_];
            if (c == '\'') {
                advance();
                if (i_ < s_.size() && s_[i_] == '\'') {
                    t.text += '\'';
                    advance();
                    continue;
                }
                break;
            }
            t.text += c;
            advance();
        }
        t.kind = TokenKind::Text;
    }

    void scanOperator(Token& t) {
        char c = s_[i_];
        char n = i_ + 1 < s_.size() ? s_[i_ + 1] : '\0';
        auto take = [&](TokenKind k, int len) {
            t.kind = k;
            t.text = std::string(s_.substr(i_, len));
            for (int k2 = 0; k2 < len; ++k2) advance();
        };
        switch (c) {
        case '=': return take(TokenKind::Equal, 1);
        case '<':
            if (n == '>') return take(TokenKind::NotEqual, 2);
            if (n == '=') return take(TokenKind::LessEqual, 2);
            return take(TokenKind::Less, 1);
        case '>':
            if (n == '=') return take(TokenKind::GreaterEqual, 2);
            return take(TokenKind::Greater, 1);
        case '(': return take(TokenKind::LeftParen, 1);
        case ')': return take(TokenKind::RightParen, 1);
        case '-': return take(TokenKind::Minus, 1);
        default: break;
        }
        std::size_t len = 1;
        while (i_ + len < s_.size() && isContinuationByte(s_[i_ + len])) ++len;
        throw FilterError("unexpected character '" + std::string(s_.substr(i_, len)) + "'", t.position);
    }

    std::string_view s_;
    std::size_t i_ = 0;
    std::size_t chars_ = 0;  // characters before i_
};

}  // namespace

std::string describe(const Token& token) {
    switch (token.kind) {
    case TokenKind::End: return "end of text";
    case TokenKind::Text: return "text '" + token.text + "'";
    case TokenKind::Number: return "number " + token.text;
    case TokenKind::Identifier: return "'" + token.text + "'";
    case TokenKind::And:
    case TokenKind::Or:
    case TokenKind::Not:
    case TokenKind::Like:
    case TokenKind::Between: return token.text;
    default: return "'" + token.text + "'";
    }
}

std::vector<Token> tokenize(std::string_view source) { return Scanner(source).run(); }

}  // namespace trunaccount::filter
