#include "dataset/filter_expression.h"

#include <algorithm>

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

}  // namespace trunaccount
