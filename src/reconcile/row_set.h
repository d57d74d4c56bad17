// The reconciliation row set: one row per source document, eighteen fields in
// this order. Grid column i of the window shows field i.
#pragma once

#include <span>
#include <string_view>
#include <vector>

#include "dataset/client_dataset.h"

namespace trunaccount {

// The tick-off flag f_zzgdbz of a row: "1" ticked, "0" not ticked.
inline constexpr std::string_view kTicked = "1";
inline constexpr std::string_view kUnticked = "0";
constexpr bool isTicked(std::string_view tick) { return tick == kTicked; }
constexpr std::string_view tickText(bool ticked) { return ticked ? kTicked : kUnticked; }

// The fields of the row set by position; grid column i shows field i.
struct RowSetColumn {
    enum : int {
        Tick,               // f_zzgdbz 勾对
        Unit,               // f_hsdwh 核算单位号
        UnitName,           // f_hsdwmc 核算单位名称
        PreparerUnit,       // f_zdrhsdwh 制单人核算单位
        DocumentNumber,     // f_Djh 单据号
        SupplierCode,       // f_Gysbm 供应商编码
        SupplierName,       // f_Csmc 供应商名称
        Reason,             // f_tdmc 付款原因 / 通道名称
        Amount,             // f_hsje 发票金额 / 付款金额
        AmountWithoutTax,   // f_wsje 无税金额
        Tax,                // f_zzse 税额
        TaxRate,            // f_zzsl 税率
        BillNumber,         // f_zzpjhm 票据号码
        PaymentMethod,      // f_zzZffs 支付方式
        Bank,               // f_zzyh 支付银行
        PaymentDate,        // f_Zzzfrq 支付日期
        EntryDate,          // f_Rzrq 入帐日期 / 制单日期
        TickTime,           // f_zzgdrq 转账勾对时间
        Count
    };
};

struct RowSetField {
    const char* name;
    const char* label;   // display label (the business type changes some)
    FieldKind kind;
    int size;            // text width in GBK bytes
    bool readOnly;
    const char* format;  // display format; "" for the general one
    int columnWidth;     // the grid column's width in pixels; 0 for the grid's default
};

std::span<const RowSetField> reconciliationRowSet();

// Defines the eighteen fields on a closed dataset and returns them in order.
std::vector<Field*> defineReconciliationFields(ClientDataSet& ds);

}  // namespace trunaccount
