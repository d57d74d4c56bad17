#include "reconcile/tick_tally.h"

namespace trunaccount {

void TickTally::change(bool before, bool after, double amount) {
    if (before == after) return;
    if (after) {
        ++count_;
        amount_.add(amount);
    } else {
        --count_;
        amount_.subtract(amount);
    }
}

void TickTally::clear() {
    count_ = 0;
    amount_.clear();
}

}  // namespace trunaccount
