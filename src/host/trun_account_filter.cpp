// The filter of the reconciliation window: the condition builder over the
// listed documents.
#include <QTextEdit>

#include "host/frm_trun_account.h"
#include "tools/adv_grid.h"
#include "ui_frm_trun_account.h"

namespace trunaccount::host {

void TFrmTrunAccount::ButFilterClick() {
    dgdView->postEditor();  // a value still in a cell editor is kept before the rows are filtered
    if (!dgdView->RunQuerySet(QStringLiteral("转帐勾对过滤"), false)) return;
    dgdView->column(0).setFooterValue(QStringLiteral("合计:") + QString::number(cdspass.recordCount()) +
                                      QStringLiteral("条"));
    ui().MemoCondition->clear();
    ui().MemoCondition->append(dgdView->ConditionText(RangeTitle()));
}

}  // namespace trunaccount::host
