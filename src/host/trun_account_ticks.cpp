// Tick editing, saving and revoking in the reconciliation window.
#include <QColor>
#include <QDate>
#include <QKeyEvent>

#include "data/text_functions.h"
#include "host/frm_hint.h"
#include "host/frm_trun_account.h"
#include "host/host_values.h"
#include "platform/coordinator_calls.h"
#include "platform/errors.h"
#include "platform/text.h"
#include "reconcile/row_set.h"
#include "tools/adv_grid.h"
#include "ui_frm_trun_account.h"

namespace trunaccount::host {

using namespace trunaccount::platform;

namespace {

// The wait window of saving and revoking, one for the whole library.
QPointer<TFrmHint>& commandWaitWindow() {
    static QPointer<TFrmHint> hint;
    return hint;
}

// Shows the wait window for a command and takes it away again in every case.
class CommandWaitWindow {
public:
    explicit CommandWaitWindow(QWidget* owner) {
        owner->repaint();
        commandWaitWindow() = new TFrmHint(owner);
        commandWaitWindow()->showAndPaint();
    }
    ~CommandWaitWindow() {
        delete commandWaitWindow().data();
        commandWaitWindow() = nullptr;
    }
    void hide() {
        if (commandWaitWindow()) commandWaitWindow()->hide();
    }
    CommandWaitWindow(const CommandWaitWindow&) = delete;
    CommandWaitWindow& operator=(const CommandWaitWindow&) = delete;
};

const QColor kTickedRow(221, 221, 255);    // 16768477
const QColor kUntickedRow(196, 196, 255);  // 16762052

}  // namespace

// ---- Ticking ----

void TFrmTrunAccount::cdspassf_zzgdbzChange(Field& field) {
    if (bulkTicking_) return;
    // Only a real change of state counts: storing "1" over "1" changes nothing.
    const Variant& before = field.valueBeforeChange();
    tally_.change(!before.isNull() && isTicked(before.toText()), isTicked(field.asString()), currentAmount());
    UpdateTotals();
}

double TFrmTrunAccount::currentAmount() const { return cdspassf_hsje->isNull() ? 0.0 : cdspassf_hsje->asFloat(); }

std::vector<RecordId> TFrmTrunAccount::viewRecords() const {
    std::vector<RecordId> records;
    records.reserve(static_cast<std::size_t>(cdspass.recordCount()));
    for (int row = 0; row < cdspass.recordCount(); ++row) records.push_back(cdspass.recordAt(row));
    return records;
}

void TFrmTrunAccount::markEveryRow(bool on) {
    ControlsSuspended suspended(cdspass);
    requireLoadedList();
    cdspass.first();
    if (inSearchMode()) {
        // The selection of rows to revoke; the ticks stay as they are.
        for (int row = 0; row < cdspass.recordCount(); ++row) dgdView->selectedRows().setRowSelected(row, on);
        cdspass.last();
        return;
    }
    // Every row shown ticked or unticked; the totals change by the rows whose
    // state changes, so ticked rows a filter hides still count.
    bulkTicking_ = true;
    struct Done {
        TFrmTrunAccount* w;
        ~Done() { w->bulkTicking_ = false; }
    } done{this};
    const auto records = viewRecords();  // posting may move a row; every row is visited once
    for (RecordId r : records) {
        cdspass.gotoBookmark({r, cdspass.bookmark().generation});
        tally_.change(isTicked(cdspassf_zzgdbz->textAt(r)), on, cdspassf_hsje->floatAt(r));
        cdspass.edit();
        cdspassf_zzgdbz->setAsString(tickText(on));
        cdspass.post();
    }
    if (cdspass.recordCount() > 0) cdspass.last();
    UpdateTotals();
}

void TFrmTrunAccount::btnallClick() { markEveryRow(true); }

void TFrmTrunAccount::btnnoallClick() { markEveryRow(false); }

void TFrmTrunAccount::toggleCurrentTick() {
    if (inSearchMode() || !cdspass.active() || cdspass.isEmpty()) return;
    const bool ticked = isTicked(cdspassf_zzgdbz->asString());
    cdspass.edit();
    cdspassf_zzgdbz->setAsString(tickText(!ticked));
    cdspass.post();
}

void TFrmTrunAccount::btndelClick() {
    if (!cdspass.active() || cdspass.isEmpty()) return;
    if (messageBox(this, "确定要删除当前行吗!", "提示", MB_OKCANCEL | MB_ICONQUESTION) != IDOK) return;
    // The row leaves the list: a ticked one no longer counts.
    tally_.change(isTicked(cdspassf_zzgdbz->asString()), false, currentAmount());
    cdspass.deleteRecord();
    UpdateTotals();
}

void TFrmTrunAccount::dgdViewKeyPress(int key) {
    if (key != kEnterChar) return;
    const int n = dgdView->columnCount();
    auto readOnly = [&](int i) {
        const GridColumn& c = dgdView->column(i);
        Field* f = c.field();
        return c.readOnly() || dgdView->readOnly() || (f && f->readOnly());
    };
    int i = dgdView->currentColumn() + 1;
    while (i <= n - 1 && (readOnly(i) || !dgdView->column(i).visible())) ++i;
    if (i >= n - 1) {
        if (cdspass.active()) cdspass.next();
        dgdView->setCurrentColumn(0);
    } else {
        dgdView->setCurrentColumn(i);
    }
}

void TFrmTrunAccount::cdspassf_ZzzfrqValidate(const Variant& newValue) {
    const std::string text = newValue.isNull() ? std::string() : newValue.toText();
    if (text.empty()) return;
    const QString t = QString::fromStdString(text);
    bool digits = t.size() == 8;
    for (QChar c : t) digits = digits && c.isDigit() && c.unicode() < 128;
    if (!digits || !QDate::fromString(t, QStringLiteral("yyyyMMdd")).isValid()) throw Error("非法日期");
}

void TFrmTrunAccount::dgdViewGetCellParams(const CellInfo& cell, CellStyle& style) const {
    if (cell.selected) return;  // the grid's selection colours stay
    style.background = isTicked(cdspassf_zzgdbz->textAt(cell.record)) ? kTickedRow : kUntickedRow;
}

// ---- Saving and revoking ----

TickRow TFrmTrunAccount::rowValues(RecordId r) const {
    TickRow row;
    row.djh = std::string(cdspassf_Djh->textAt(r));
    row.hsdwh = std::string(cdspassf_hsdwh->textAt(r));
    row.tick = std::string(cdspassf_zzgdbz->textAt(r));
    row.zzse = cdspassf_zzse->valueAt(r);
    row.zzsl = cdspassf_zzsl->valueAt(r);
    row.zzpjhm = std::string(cdspassf_zzpjhm->textAt(r));
    row.zzZffs = std::string(cdspassf_zzZffs->textAt(r));
    row.zzyh = std::string(cdspassf_zzyh->textAt(r));
    row.zzzfrq = std::string(cdspassf_Zzzfrq->textAt(r));
    return row;
}

void TFrmTrunAccount::btnsaveClick() {
    dgdView->postEditor();  // a value still in a cell editor is saved with the rest
    // No type selected: no search could have listed rows of one, so nothing can
    // be saved.
    const std::optional<BusinessType> selected = businessType();
    if (!selected) {
        messageBox(this, "请选择业务类型。", "警告", MB_OK | MB_ICONWARNING);
        return;
    }
    const BusinessType type = *selected;
    if (savesTickedRowsOnly(type)) {
        bool any = false;
        if (cdspass.active())
            for (RecordId r : viewRecords()) any = any || isTicked(cdspassf_zzgdbz->textAt(r));
        if (!any) {
            messageBox(this, "没有修改数据，不能保存!", "提示", MB_OK);
            return;
        }
    }
    if (messageBox(this, "确定要保存吗!", "提示", MB_OKCANCEL | MB_ICONQUESTION) != IDOK) return;

    bool saved = false;
    {
        CommandWaitWindow wait(this);
        ControlsSuspended suspended(cdspass);
        std::vector<std::string> statements;
        requireLoadedList();
        cdspass.first();

        Variant time;
        if (!GetServerDateTime(currentCoordinator(), time)) {
            wait.hide();
            ReportError(this, time, "");
            return;
        }
        const TickStamp stamp{time.toText(), hostValues().operatorCode, parameters().operatorName};
        if (cdspass.active())
            for (RecordId r : viewRecords())
                if (auto statement = SaveStatement(type, rowValues(r), stamp)) statements.push_back(std::move(*statement));
        if (statements.empty()) return;

        Variant batch = ListToVariantArray(statements);
        if (!ExecBatch(currentCoordinator(), batch)) {
            wait.hide();
            ReportError(this, batch, "");
            return;  // rows, ticks and totals as they were: the user can save again
        }
        saved = true;
    }
    if (!saved) return;
    messageBox(this, "保存成功!", "提示", MB_OK | MB_ICONINFORMATION);
    {
        // The ticked rows saved are done with: they leave the list, and the
        // totals keep only the ticked rows a filter hid (they were not saved).
        ControlsSuspended suspended(cdspass);
        auto records = viewRecords();
        for (auto it = records.rbegin(); it != records.rend(); ++it) {
            if (!isTicked(cdspassf_zzgdbz->textAt(*it))) continue;
            tally_.change(true, false, cdspassf_hsje->floatAt(*it));
            cdspass.gotoBookmark({*it, cdspass.bookmark().generation});
            cdspass.deleteRecord();
        }
    }
    editedSinceLoad_ = false;  // what the list still holds has been written (or is not written by this type)
    UpdateTotals();
}

void TFrmTrunAccount::btnNogdClick() {
    if (!cdspass.active() || cdspass.isEmpty()) return;
    if (messageBox(this, "确定要把当前选中行置成未勾状态吗!", "提示", MB_OKCANCEL | MB_ICONQUESTION) != IDOK) return;
    Variant time;
    if (!GetServerDateTime(currentCoordinator(), time)) {
        ReportError(this, time, "");
        return;
    }
    const TickStamp stamp{time.toText(), hostValues().operatorCode, parameters().operatorName};
    const std::optional<BusinessType> type = businessType();
    if (!type) return;  // nothing could have been listed
    std::vector<Bookmark> sent;
    {
        CommandWaitWindow wait(this);
        std::vector<std::string> statements;
        // The selected rows in the order the grid lists them.
        for (const Bookmark& b : dgdView->selectedRows().inViewOrder()) {
            cdspass.gotoBookmark(b);
            if (!isTicked(cdspassf_zzgdbz->asString())) continue;
            statements.push_back(RevokeStatement(*type, rowValues(b.record), stamp));
            sent.push_back(b);
        }
        if (statements.empty()) return;
        Variant batch = ListToVariantArray(statements);
        if (!ExecBatch(currentCoordinator(), batch)) {
            ReportError(this, batch, "");
            return;
        }
        // The revoked rows show unticked; the change handler lowers the totals.
        for (const Bookmark& b : sent) {
            cdspass.gotoBookmark(b);
            cdspass.edit();
            cdspassf_zzgdbz->setAsString(kUnticked);
            cdspass.post();
        }
    }
}

}  // namespace trunaccount::host
