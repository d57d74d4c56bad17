// The query of the document search: from the date range, the business type, the
// tick state and the three filter lists to the one SQL text sent to the
// coordinator. Pure text building; the window reads its controls and calls this.
#pragma once

#include <string>
#include <string_view>

#include "reconcile/business_type.h"

namespace trunaccount {

// The tick type list cbgdlx: its item index.
enum class TickState {
    All = 0,       // 全部
    Unticked = 1,  // 未勾
    Ticked = 2,    // 已勾
};

// A filter list's selection: item 0 is "全部"; the others read "code name".
struct ListSelection {
    int index = 0;
    std::string text;
};

struct DocumentSearch {
    std::string startDate;  // YYYYMMDD
    std::string endDate;    // YYYYMMDD
    BusinessType type = BusinessType::InvoiceSubmission;
    TickState tickState = TickState::All;
    ListSelection paymentReason;    // read for payment approvals
    ListSelection channel;          // read for project approvals and fee collections
    ListSelection paymentMethod;    // read for project approvals and fee collections
    std::string unit;               // the accounting unit code, parameter "hsdwh"
};

// Condition prefixes of the three filter lists.
inline constexpr std::string_view kPaymentReasonPrefix = "and z.f_fkyybm='";
inline constexpr std::string_view kChannelPrefix = "and z.f_tdbm='";
inline constexpr std::string_view kPaymentMethodPrefix = "and z.f_zffsbm='";

// The date and tick condition W: the preparation date (types 0 to 2) or the
// entry date (3 and 4) within the range, and for 未勾 or 已勾 the condition on
// the tick.
std::string dateTickCondition(const DocumentSearch& search);

// The condition of one filter list: empty for "全部" (item 0), otherwise the
// prefix, the item's code and the closing quote.
std::string listCondition(std::string_view prefix, const ListSelection& selection);

// The query of the business type, naming the monthly tables "tb000000…".
std::string businessTypeQuery(const DocumentSearch& search);

// The final text: the type's query once per month of the range (once for
// project approvals), inside the select of the eighteen row set columns,
// ordered by accounting unit, date and document number.
std::string buildDocumentQuery(const DocumentSearch& search);

// The select of the eighteen row set columns, in order, over `queries` (the
// type's queries joined), ordered by accounting unit, date and document number.
std::string documentQueryOver(std::string_view queries);

}  // namespace trunaccount
