#include "dataset/filter/parser.h"

#include "dataset/dataset_error.h"
#include "dataset/filter/lexer.h"

namespace trunaccount::filter {

namespace {

constexpr int kMaxDepth = 200;

class Parser {
public:
    explicit Parser(std::vector<Token> tokens) : tokens_(std::move(tokens)) {}

    ConditionPtr run() {
        auto c = condition();
        if (peek().kind != TokenKind::End)
            throw FilterError("unexpected " + describe(peek()) + " after the end of the condition", peek().position);
        return c;
    }

private:
    const Token& peek() const { return tokens_[pos_]; }
    const Token& take() { return tokens_[pos_ < tokens_.size() - 1 ? pos_++ : pos_]; }
    bool accept(TokenKind k) {
        if (peek().kind != k) return false;
        take();
        return true;
    }

    ConditionPtr condition() { return logical(Logical::Kind::Or); }

    ConditionPtr logical(Logical::Kind kind) {
        std::size_t at = peek().position;
        TokenKind word = kind == Logical::Kind::Or ? TokenKind::Or : TokenKind::And;
        auto operand = [&] { return kind == Logical::Kind::Or ? logical(Logical::Kind::And) : factor(); };
        std::vector<ConditionPtr> operands;
        operands.push_back(operand());
        while (accept(word)) operands.push_back(operand());
        if (operands.size() == 1) return std::move(operands.front());
        return std::make_unique<Logical>(kind, std::move(operands), at);
    }

    ConditionPtr factor() {
        const Token& t = peek();
        std::size_t at = t.position;
        if (t.kind == TokenKind::Not || t.kind == TokenKind::LeftParen) {
            if (++depth_ > kMaxDepth) throw FilterError("conditions nested too deeply", at);
            ConditionPtr c;
            if (accept(TokenKind::Not)) {
                c = std::make_unique<Not>(factor(), at);
            } else {
                take();
                c = condition();
                if (!accept(TokenKind::RightParen))
                    throw FilterError("expected ')' to close the '(' at position " + std::to_string(at) +
                                          ", found " + describe(peek()),
                                      peek().position);
            }
            --depth_;
            return c;
        }
        return predicate();
    }

    ConditionPtr predicate() {
        std::size_t at = peek().position;
        ValuePtr lhs = value("a condition");
        const Token& t = peek();
        CompareOp op;
        switch (t.kind) {
        case TokenKind::Equal: op = CompareOp::Equal; break;
        case TokenKind::NotEqual: op = CompareOp::NotEqual; break;
        case TokenKind::Less: op = CompareOp::Less; break;
        case TokenKind::LessEqual: op = CompareOp::LessEqual; break;
        case TokenKind::Greater: op = CompareOp::Greater; break;
        case TokenKind::GreaterEqual: op = CompareOp::GreaterEqual; break;
        default: {
            bool negated = accept(TokenKind::Not);
            if (accept(TokenKind::Like)) {
                auto pattern = value("a pattern after LIKE");
                return std::make_unique<Like>(std::move(lhs), std::move(pattern), negated, at);
            }
            if (accept(TokenKind::Between)) {
                auto low = value("a value after BETWEEN");
                if (!accept(TokenKind::And))
                    throw FilterError("expected AND between the two values of BETWEEN, found " + describe(peek()),
                                      peek().position);
                auto high = value("a value after BETWEEN ... AND");
                return std::make_unique<Between>(std::move(lhs), std::move(low), std::move(high), negated, at);
            }
            throw FilterError("expected a comparison (= <> < <= > >= LIKE BETWEEN) after " + lhs->dump() +
                                  ", found " + describe(peek()),
                              peek().position);
        }
        }
        take();
        auto rhs = value("a value after " + t.text);
        return std::make_unique<Comparison>(op, std::move(lhs), std::move(rhs), at);
    }

    ValuePtr value(const std::string& what) {
        const Token& t = peek();
        switch (t.kind) {
        case TokenKind::Identifier: take(); return std::make_unique<FieldNode>(t.text, t.position);
        case TokenKind::Text: take(); return std::make_unique<TextLiteral>(t.text, t.position);
        case TokenKind::Number: take(); return std::make_unique<NumberLiteral>(t.number, t.text, t.position);
        case TokenKind::Minus: {
            take();
            const Token& n = peek();
            if (n.kind != TokenKind::Number)
                throw FilterError("expected a number after '-', found " + describe(n), n.position);
            take();
            return std::make_unique<NumberLiteral>(-n.number, "-" + n.text, t.position);
        }
        default: throw FilterError("expected " + what + ", found " + describe(t), t.position);
        }
    }

    std::vector<Token> tokens_;
    std::size_t pos_ = 0;
    int depth_ = 0;
};

}  // namespace

ConditionPtr parseCondition(std::string_view text) { return Parser(tokenize(text)).run(); }

}  // namespace trunaccount::filter
