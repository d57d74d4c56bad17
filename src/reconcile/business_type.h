// The business types of the reconciliation window: the item index of its
// business type list, and the source documents each one lists.
#pragma once

#include <optional>

namespace trunaccount {

enum class BusinessType {
    InvoiceSubmission = 0,  // 发票提交单: invoice submissions without "退补单" in the remark
    InvoiceAdjustment,      // 发票提交退补单: the invoice submissions with it
    PaymentApproval,        // 付款审批单
    ProjectApproval,        // 项目审批表: one table for all months
    FeeCollection,          // 收费单收款表: every accounting unit
};

// The business type of an item index of the list; nothing for an index outside
// it (no item selected).
constexpr std::optional<BusinessType> businessTypeAt(int index) {
    if (index < static_cast<int>(BusinessType::InvoiceSubmission) || index > static_cast<int>(BusinessType::FeeCollection))
        return std::nullopt;
    return static_cast<BusinessType>(index);
}

// Project approvals and fee collections are listed by their entry date and carry
// a channel and a payment method code; the others by their preparation date.
constexpr bool listedByEntryDate(BusinessType t) {
    return t == BusinessType::ProjectApproval || t == BusinessType::FeeCollection;
}

// Saving writes only the ticked rows of these types; invoice submissions and
// payment approvals write every listed row.
constexpr bool savesTickedRowsOnly(BusinessType t) {
    return t == BusinessType::InvoiceAdjustment || t == BusinessType::ProjectApproval ||
           t == BusinessType::FeeCollection;
}

}  // namespace trunaccount
