// A filter condition of the client dataset, parsed into a syntax tree: field
// names, = <> < <= > >=, single-quoted texts, numbers, LIKE with '%', BETWEEN
// ... AND ..., AND / OR / NOT in any letter case, parentheses. For example
//   ( f_Csmc LIKE '%abc%' ) And ( f_hsje > 100 )
//   ( 1=1  And f_hsje Between '100' And '200' )
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dataset/filter/nodes.h"

namespace trunaccount {

class FilterExpression {
public:
    // Raises FilterError for a text that is not a condition (a blank text is not one).
    explicit FilterExpression(std::string_view text);
    ~FilterExpression();
    FilterExpression(FilterExpression&&) noexcept;
    FilterExpression& operator=(FilterExpression&&) noexcept;

    // Binds the field names; raises FilterError for an unknown field or values
    // that cannot be compared. Until then the expression cannot be evaluated.
    void prepare(const filter::FieldResolver& resolve);
    bool prepared() const { return prepared_; }
    bool matches(RecordId r) const { return root_->eval(r); }
    // Indexes of the fields the condition reads, each once, in order of appearance.
    std::vector<int> referencedColumns() const;
    std::string dump() const { return root_->dump(); }
    const std::string& text() const { return text_; }

private:
    std::string text_;
    filter::ConditionPtr root_;
    bool prepared_ = false;
};

// True when `text` is a number as a filter condition writes one: digits with
// an optional fraction and exponent, after an optional minus sign, blanks
// allowed around it ("100", "-2.5", " 1e3").
bool IsFilterNumber(std::string_view text);

}  // namespace trunaccount
