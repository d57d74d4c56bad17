// The business types of the reconciliation window: the item index of its
// business type list, and the source documents each one lists.
#pragma once

namespace trunaccount {

enum class BusinessType {
    InvoiceSubmission = 0,  // 发票提交单: invoice submissions without "退补单" in the remark
    InvoiceAdjustment,      // 发票提交退补单: the invoice submissions with it
    PaymentApproval,        // 付款审批单
    ProjectApproval,        // 项目审批表: one table for all months
    FeeCollection,          // 收费单收款表: every accounting unit
};

}  // namespace trunaccount
