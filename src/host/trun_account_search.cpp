// The document search of the reconciliation window: date checks, the query of
// the business type, and the loading of the row set.
#include <QComboBox>
#include <QDateEdit>
#include <QLocale>
#include <QTextEdit>

#include "host/frm_hint.h"
#include "host/frm_trun_account.h"
#include "host/host_values.h"
#include "platform/coordinator_calls.h"
#include "platform/errors.h"
#include "reconcile/document_query.h"
#include "reconcile/row_set.h"
#include "reconcile/search_range.h"
#include "tools/adv_grid.h"
#include "trunaccount/host_messages.h"
#include "ui_frm_trun_account.h"

namespace trunaccount::host {

using namespace trunaccount::platform;

void TFrmTrunAccount::btnSearchClick() {
    auto& m = moduleState();
    // 1. The grid takes the focus (an open cell editor hands in its value).
    dgdView->setFocus();

    // No business type selected (a stored index outside the list): there is no
    // query to send.
    const std::optional<BusinessType> type = businessType();
    if (!type) {
        messageBox(this, "请选择业务类型。", "警告", MB_OK | MB_ICONWARNING);
        return;
    }

    // 2. to 5. The dates.
    const QDate from = ui().edtrzrq_b->date();
    const QDate to = ui().edtrzrq_e->date();
    if (!from.isValid() || !to.isValid()) {
        messageBox(this, "录入的数据有误!", "错误", MB_OK | MB_ICONERROR);
        return;
    }
    const std::string start = from.toString(QStringLiteral("yyyyMMdd")).toStdString();
    const std::string end = to.toString(QStringLiteral("yyyyMMdd")).toStdString();
    if (const RangeCheck check = checkSearchRange(start, end, m.startYearMonth, m.currentDate);
        check != RangeCheck::Valid) {
        messageBox(this, rangeCheckMessage(check), "警告", MB_OK | MB_ICONWARNING);
        return;
    }
    // A new list replaces the rows: unsaved ticks are asked about first.
    if (!mayDiscard("有未保存的勾对，确定要重新查询吗?")) return;
    // 6. The range as the printed title shows it.
    m.rangeStartText = QLocale::system().toString(from, QLocale::ShortFormat).toStdString();
    m.rangeEndText = QLocale::system().toString(to, QLocale::ShortFormat).toStdString();

    // The query of the business type over the range.
    auto selection = [](QComboBox* c) { return ListSelection{c->currentIndex(), c->currentText().toStdString()}; };
    const auto tickState = static_cast<TickState>(ui().cbgdlx->currentIndex());
    DocumentSearch search;
    search.startDate = start;
    search.endDate = end;
    search.type = *type;
    search.tickState = tickState;
    search.paymentReason = selection(ui().cbfkyy);
    search.channel = selection(ui().cbtd);
    search.paymentMethod = selection(ui().cbzffs);
    search.unit = parameters().hsdwh;
    const std::string sql = buildDocumentQuery(search);

    ICoorDisp& coordinator = currentCoordinator();  // before anything is sent or shown

    // Loading and counting repaint the grid once, at the end.
    ControlsSuspended suspended(cdspass);
    sendHostMessage(hostValues().hostWindow.data(), kMsgSearchStarting, 0, 0);
    repaint();
    auto hint = std::make_unique<TFrmHint>(this);
    hint->showAndPaint();

    Variant packet;
    if (!QueryData(coordinator, sql, packet)) {
        hint.reset();
        ReportError(this, packet, "");
        return;  // the rows, the counts and the totals line stay as they were
    }
    if (!packet.isPacket() || !packet.asPacket())
        throw Error("查询结果无法读取。", "the coordinator's answer to the search is not a data packet");
    cdspass.loadPacket(*packet.asPacket());
    tally_.clear();
    editedSinceLoad_ = false;
    ui().MemoCondition->clear();
    ui().MemoCondition->append(dgdView->ConditionText(RangeTitle()));
    hint.reset();
    if (inSearchMode() && tickState != TickState::Unticked) {
        // Every ticked row of the list counts, also one that a filter hides.
        for (RecordId r : cdspass.recordsMatching({})) {
            tally_.change(false, isTicked(cdspassf_zzgdbz->textAt(r)), cdspassf_hsje->floatAt(r));
        }
        cdspass.last();  // the walk ends on the last row
    }
    UpdateTotals();
}

}  // namespace trunaccount::host
