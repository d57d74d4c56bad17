#include "dataset/amount_total.h"

#include <cmath>
#include <cstdlib>

#include "platform/text.h"

namespace trunaccount {

namespace {
constexpr double kUnitsPerAmount = 1e6;
// Amounts beyond 1e24 are not money; they are clamped so that the integer
// arithmetic stays defined for any number of rows.
constexpr double kLargest = 1e30;
}  // namespace

AmountTotal::Units AmountTotal::toUnits(double amount) {
    if (!std::isfinite(amount)) return 0;
    double scaled = std::round(amount * kUnitsPerAmount);
    if (scaled > kLargest) scaled = kLargest;
    if (scaled < -kLargest) scaled = -kLargest;
    return static_cast<Units>(scaled);
}

void AmountTotal::add(double amount) { units_ += toUnits(amount); }
void AmountTotal::subtract(double amount) { units_ -= toUnits(amount); }

double AmountTotal::value() const {
    // The exact decimal text of the total, read back as the nearest double: its
    // shortest form is that decimal, so formatting rounds the true total.
    char buf[64];
    char* p = buf + sizeof buf;
    *--p = '\0';
    Units u = units_ < 0 ? -units_ : units_;
    for (int digit = 0; digit < 7 || u != 0; ++digit) {
        if (digit == 6) *--p = '.';
        *--p = static_cast<char>('0' + static_cast<int>(u % 10));
        u /= 10;
    }
    if (units_ < 0) *--p = '-';
    return std::strtod(p, nullptr);
}

std::string AmountTotal::text(const DisplayFormat& format) const { return format.format(value()); }
std::string AmountTotal::text(int decimals) const { return platform::formatFixed(value(), decimals); }

}  // namespace trunaccount
