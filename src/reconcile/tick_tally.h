// The ticked rows of the reconciliation list as the totals line shows them: how
// many there are and the sum of their amounts, kept exact (no drift however
// often rows are ticked and unticked, whatever the order).
#pragma once

#include <cstdint>

#include "dataset/amount_total.h"

namespace trunaccount {

class TickTally {
public:
    // The one update rule: a row whose tick went from `before` to `after`
    // counts in with its amount when it became ticked and out when it lost its
    // tick; a row whose state stayed changes nothing. Deleting a ticked row is
    // a change from ticked to not ticked; counting a loaded list is one change
    // from not ticked for each ticked row.
    void change(bool before, bool after, double amount);
    // No row ticked.
    void clear();

    std::int32_t count() const { return count_; }
    const AmountTotal& amount() const { return amount_; }

    friend bool operator==(const TickTally&, const TickTally&) = default;

private:
    std::int32_t count_ = 0;
    AmountTotal amount_;
};

}  // namespace trunaccount
