// Display formats of number fields: "0.00" (exactly two decimals, at least one
// integer digit), "####0.00" (the same; '#' is an optional digit), "#,##0.00"
// (with digit grouping), and the empty format, which shows a number in general
// form with up to 15 significant digits.
#pragma once

#include <string>
#include <string_view>

namespace trunaccount {

class DisplayFormat {
public:
    DisplayFormat() = default;  // general form
    explicit DisplayFormat(std::string_view pattern);

    bool isGeneral() const { return general_; }
    // Decimals always shown / at most shown.
    int minDecimals() const { return minDecimals_; }
    int maxDecimals() const { return maxDecimals_; }

    std::string format(double value) const;

private:
    bool general_ = true;
    bool grouping_ = false;
    int minIntegerDigits_ = 0;
    int minDecimals_ = 0;
    int maxDecimals_ = 0;
    std::string prefix_;
    std::string suffix_;
};

}  // namespace trunaccount
