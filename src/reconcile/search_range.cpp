#include "reconcile/search_range.h"

namespace trunaccount {

RangeCheck checkSearchRange(std::string_view start, std::string_view end, std::string_view startYearMonth,
                            std::string_view currentDate) {
    if (start.substr(0, 6) < startYearMonth) return RangeCheck::StartBeforeStartOfUse;
    if (end > currentDate) return RangeCheck::EndAfterToday;
    if (start > end) return RangeCheck::StartAfterEnd;
    return RangeCheck::Valid;
}

std::string_view rangeCheckMessage(RangeCheck check) {
    switch (check) {
    case RangeCheck::Valid: return {};
    case RangeCheck::StartBeforeStartOfUse: return "起始制单年月不能小于启用年月!";
    case RangeCheck::EndAfterToday: return "结束制单日期不能大于当前日期!";
    case RangeCheck::StartAfterEnd: return "起始制单日期不能大于结束制单日期!";
    }
    return {};
}

}  // namespace trunaccount
