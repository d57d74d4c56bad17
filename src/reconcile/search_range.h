// The date range of a document search: it may not start before the month the
// system went into use, not end after the server's date, and not end before it
// starts.
#pragma once

#include <string_view>

namespace trunaccount {

enum class RangeCheck {
    Valid,
    StartBeforeStartOfUse,  // the start month lies before the start-of-use month
    EndAfterToday,          // the end date lies after the server's date
    StartAfterEnd,
};

// `start` and `end` are YYYYMMDD, `startYearMonth` YYYYMM, `currentDate`
// YYYYMMDD; all compared as texts. The first rule broken, in the order above.
RangeCheck checkSearchRange(std::string_view start, std::string_view end, std::string_view startYearMonth,
                            std::string_view currentDate);

// The warning that refuses a range (empty for a valid one).
std::string_view rangeCheckMessage(RangeCheck check);

}  // namespace trunaccount
