#include "dataset/display_format.h"

#include <cmath>

#include "platform/text.h"

namespace trunaccount {

DisplayFormat::DisplayFormat(std::string_view pattern) {
    // Only the first section counts; a second one (for negative numbers) is not used here.
    pattern = pattern.substr(0, pattern.find(';'));
    auto first = pattern.find_first_of("0#");
    if (first == std::string_view::npos) return;  // no digit placeholder: general form
    auto last = pattern.find_last_of("0#");
    general_ = false;
    prefix_ = std::string(pattern.substr(0, first));
    suffix_ = std::string(pattern.substr(last + 1));
    std::string_view body = pattern.substr(first, last - first + 1);
    auto dot = body.find('.');
    std::string_view intPart = body.substr(0, dot);
    for (char c : intPart) {
        if (c == '0') ++minIntegerDigits_;
        if (c == ',') grouping_ = true;
    }
    if (dot != std::string_view::npos) {
        for (char c : body.substr(dot + 1)) {
            if (c == '0') ++minDecimals_, ++maxDecimals_;
            else if (c == '#') ++maxDecimals_;
        }
    }
}

std::string DisplayFormat::format(double value) const {
    if (general_) return platform::formatGeneral(value);
    std::string s = platform::formatFixed(value, maxDecimals_);
    if (!std::isfinite(value)) return s;
    bool negative = !s.empty() && s.front() == '-';
    if (negative) s.erase(0, 1);
    auto dot = s.find('.');
    std::string intPart = s.substr(0, dot);
    std::string frac = dot == std::string::npos ? std::string() : s.substr(dot + 1);
    while (static_cast<int>(frac.size()) > minDecimals_ && !frac.empty() && frac.back() == '0') frac.pop_back();
    // formatFixed gives at least one integer digit; drop leading zeros the pattern does not ask for.
    while (static_cast<int>(intPart.size()) > minIntegerDigits_ && !intPart.empty() && intPart.front() == '0')
        intPart.erase(0, 1);
    while (static_cast<int>(intPart.size()) < minIntegerDigits_) intPart.insert(intPart.begin(), '0');
    if (grouping_) {
        for (int i = static_cast<int>(intPart.size()) - 3; i > 0; i -= 3) intPart.insert(intPart.begin() + i, ',');
    }
    std::string out = prefix_;
    if (negative) out += '-';
    out += intPart;
    if (!frac.empty()) out += "." + frac;
    out += suffix_;
    return out;
}

}  // namespace trunaccount
