#include "dataset/filter_expression.h"

#include <algorithm>

#include "dataset/dataset_error.h"
#include "dataset/filter/lexer.h"
#include "dataset/filter/parser.h"

namespace trunaccount {

FilterExpression::FilterExpression(std::string_view text) : text_(text), root_(filter::parseCondition(text)) {}
FilterExpression::~FilterExpression() = default;
FilterExpression::FilterExpression(FilterExpression&&) noexcept = default;
FilterExpression& FilterExpression::operator=(FilterExpression&&) noexcept = default;

void FilterExpression::prepare(const filter::FieldResolver& resolve) {
    prepared_ = false;
    root_->prepare(resolve);
    prepared_ = true;
}

std::vector<int> FilterExpression::referencedColumns() const {
    std::vector<int> all;
    root_->referencedColumns(all);
    std::vector<int> unique;
    for (int c : all)
        if (std::find(unique.begin(), unique.end(), c) == unique.end()) unique.push_back(c);
    return unique;
}

bool IsFilterNumber(std::string_view text) {
    using filter::TokenKind;
    try {
        auto tokens = filter::tokenize(text);
        std::size_t i = tokens.size() == 3 && tokens[0].kind == TokenKind::Minus ? 1 : 0;
        return tokens.size() == i + 2 && tokens[i].kind == TokenKind::Number;
    } catch (const FilterError&) {
        return false;
    }
}

}  // namespace trunaccount
