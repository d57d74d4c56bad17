// Tokens of the filter language: field names, single-quoted texts ('' stands
// for one quote), numbers, the comparison operators = <> < <= > >=, parentheses,
// a minus sign, and the words AND OR NOT LIKE BETWEEN in any letter case.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace trunaccount::filter {

enum class TokenKind {
    End,
    Identifier,
    Text,
    Number,
    Equal,
    NotEqual,
    Less,
    LessEqual,
    Greater,
    GreaterEqual,
    LeftParen,
    RightParen,
    Minus,
    And,
    Or,
    Not,
    Like,
    Between,
};

struct Token {
    TokenKind kind = TokenKind::End;
    std::string text;     // identifier as written, text value, number spelling
    double number = 0;    // value of a number
    std::size_t position = 0;  // character position from 1
};

// How a token is named in messages: 'f_hsje', 'abc', AND, "end of text".
std::string describe(const Token& token);

// Splits the source into tokens ending with an End token; raises FilterError
// for a character that starts no token or a text without its closing quote.
std::vector<Token> tokenize(std::string_view source);

}  // namespace trunaccount::filter
