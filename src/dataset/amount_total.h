// A running total of amounts that never drifts: every amount is held as an
// integer count of millionths, so adding and later subtracting the same amounts,
// in any order, gives back exactly the earlier total, and the total of a set of
// rows does not depend on the order they are visited in.
#pragma once

#include <string>

#include "dataset/display_format.h"

namespace trunaccount {

class AmountTotal {
public:
    void add(double amount);
    void subtract(double amount);
    void clear() { units_ = 0; }

    double value() const;
    bool isZero() const { return units_ == 0; }
    // The total in a display format ("0.00" gives exactly two decimals); never "-0.00".
    std::string text(const DisplayFormat& format) const;
    std::string text(int decimals) const;

    friend bool operator==(const AmountTotal& a, const AmountTotal& b) { return a.units_ == b.units_; }

private:
    // Millionths in 128 bits: a compiler extension (GCC, clang), marked as one.
    __extension__ typedef __int128 Units;
    static Units toUnits(double amount);
    Units units_ = 0;
};

}  // namespace trunaccount
