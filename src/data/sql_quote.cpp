#include "data/sql_quote.h"

namespace trunaccount {

std::string SqlValue(std::string_view value) {
    std::string out;
    out.reserve(value.size() + 2);
    for (char c : value) {
        out += c;
        if (c == '\'') out += '\'';
    }
    return out;
}

}  // namespace trunaccount
