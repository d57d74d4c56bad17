// Recursive-descent parser of filter conditions:
//
//   condition  := and-term { OR and-term }
//   and-term   := factor { AND factor }
//   factor     := NOT factor | '(' condition ')' | predicate
//   predicate  := value ( compare-op value
//                       | [NOT] LIKE value
//                       | [NOT] BETWEEN value AND value )
//   value      := field-name | 'text' | number | '-' number
#pragma once

#include <string_view>

#include "dataset/filter/nodes.h"

namespace trunaccount::filter {

// Raises FilterError, with the character position, for any text that is not a
// condition. Nesting deeper than 200 levels is refused.
ConditionPtr parseCondition(std::string_view text);

}  // namespace trunaccount::filter
