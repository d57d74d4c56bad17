// The one way a value enters SQL text.
#pragma once

#include <string>
#include <string_view>

namespace trunaccount {

// The value as it stands between the single quotes that the statement's
// fragments supply: every single quote doubled, so that a value can never end
// the literal and change the statement.
std::string SqlValue(std::string_view value);

}  // namespace trunaccount
