#include "reconcile/row_set.h"

namespace trunaccount {

namespace {
const RowSetField kRowSet[] = {
    {"f_zzgdbz", "勾对", FieldKind::Text, 1, false, "", 46},
    {"f_hsdwh", "核算单位号", FieldKind::Text, 8, true, "", 71},
    {"f_hsdwmc", "核算单位名称", FieldKind::Text, 100, true, "", 77},
    {"f_zdrhsdwh", "制单人核算单位", FieldKind::Text, 6, false, "", 92},
    {"f_Djh", "单据号", FieldKind::Text, 12, true, "", 95},
    {"f_Gysbm", "供应商编码", FieldKind::Text, 12, true, "", 0},
    {"f_Csmc", "供应商名称", FieldKind::Text, 60, true, "", 119},
    {"f_tdmc", "付款原因", FieldKind::Text, 30, true, "", 110},
    {"f_hsje", "发票金额", FieldKind::Float, 0, true, "####0.00", 0},
    {"f_wsje", "无税金额", FieldKind::Float, 0, false, "0.00", 0},
    {"f_zzse", "税额", FieldKind::Float, 0, false, "0.00", 0},
    {"f_zzsl", "税率", FieldKind::Float, 0, false, "", 0},
    {"f_zzpjhm", "票据号码", FieldKind::Text, 20, false, "", 101},
    {"f_zzZffs", "支付方式", FieldKind::Text, 100, false, "", 88},
    {"f_zzyh", "支付银行", FieldKind::Text, 50, false, "", 140},
    {"f_Zzzfrq", "支付日期", FieldKind::Text, 8, false, "", 0},
    {"f_Rzrq", "入帐日期", FieldKind::Text, 8, true, "", 0},
    {"f_zzgdrq", "转账勾对时间", FieldKind::Text, 20, false, "", 102},
};
static_assert(std::size(kRowSet) == RowSetColumn::Count);
}  // namespace

std::span<const RowSetField> reconciliationRowSet() { return kRowSet; }

std::vector<Field*> defineReconciliationFields(ClientDataSet& ds) {
    std::vector<Field*> fields;
    for (const auto& d : kRowSet) {
        Field& f = ds.addField(d.name, d.kind, d.size);
        f.setDisplayLabel(d.label);
        f.setReadOnly(d.readOnly);
        f.setDisplayFormat(d.format);
        fields.push_back(&f);
    }
    return fields;
}

}  // namespace trunaccount
