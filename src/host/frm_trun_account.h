// The reconciliation window "转帐勾对": in input mode the accountant ticks off
// the documents whose bank transfer is booked and saves the ticks; in search mode
// ticked and unticked documents are listed and ticks can be revoked.
#pragma once

#include <QPointer>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <string>

#include "data/system_parameters.h"
#include "dataset/amount_total.h"
#include "dataset/client_dataset.h"
#include "host/frm_base.h"
#include "host/rop_win.h"
#include "reconcile/business_type.h"
#include "reconcile/tick_statements.h"
#include "reconcile/tick_tally.h"

class QAction;
class QComboBox;
class QDateEdit;
class QKeyEvent;
class QLabel;
class QMenu;
class QTextEdit;
class QToolButton;

namespace Ui {
class TrunAccountContent;
}

namespace trunaccount::report {
class TGridReport;
}

namespace trunaccount {
class TAdvDBGridEh;
struct CellInfo;
struct CellStyle;
}  // namespace trunaccount

namespace trunaccount::host {

// Values shared by every reconciliation window the library has opened, written
// by the most recent one that needed them.
struct ReconciliationModuleState {
    bool startFailed = false;
    std::string startYearMonth;  // YYYYMM: no search may start earlier
    std::string currentDate;     // YYYYMMDD: no search may end later
    std::string rangeStartText;  // dates of the last validated search, short date format
    std::string rangeEndText;
};
ReconciliationModuleState& moduleState();

class TFrmTrunAccount : public TFrmBase {
    Q_OBJECT
public:
    // Builds the window inside `owner` (the host's container) in mode "Input" or
    // "Search" and runs its start-up.
    TFrmTrunAccount(QWidget* owner, const QString& mode);
    ~TFrmTrunAccount() override;

    const QString& Mode() const { return mode_; }
    bool inSearchMode() const { return mode_ == QLatin1String("Search"); }
    // The selected business type; nothing when no item of the list is selected
    // (a stored index outside the list).
    std::optional<BusinessType> businessType() const;

    // ---- Lifecycle ----
    // Restores the stored layout and list selections and applies the business
    // type; closes a window whose start failed.
    void FormShow();
    // Closes the window; in input mode with ticks or edits not yet saved it asks
    // first ("有未保存的勾对，确定要退出吗?").
    void btnExitClick();
    // Ticks or edits of the input list that no save has written yet.
    bool hasUnsavedChanges() const;
    // True when nothing unsaved would be lost, or the user agrees to lose it
    // (asked with the question given, 取消 the default answer).
    bool mayDiscard(const char* question);

    // ---- Row set ----
    void cbywlxChange();
    void UpdateTotals();
    QString RangeTitle() const;
    std::string cdspassf_zzZffsGetText(RecordId record) const;
    std::string cdspassf_zzyhGetText(RecordId record) const;

    // ---- Search ----
    void btnSearchClick();

    // ---- Filter ----
    // The condition builder over the listed documents; an accepted filter
    // rewrites the count under the first column and the condition memo.
    void ButFilterClick();

    // ---- Ticks, save, revoke ----
    void cdspassf_zzgdbzChange(Field& field);
    void cdspassf_ZzzfrqValidate(const Variant& newValue);
    void btnallClick();
    void btnnoallClick();
    void btndelClick();
    void btnsaveClick();
    void btnNogdClick();
    void btnHandClick();
    // "选  项" (hidden in the design): the column chooser for dgdView.
    void btnChooseClick();
    // The current row's tick history (search mode: the row menu "勾对历史", F4).
    void MgdlsClick();
    // A character typed in the grid: Enter moves to the next editable cell.
    static constexpr int kEnterChar = 13;  // the character the Enter key types
    void dgdViewKeyPress(int key);
    // The background of a data cell by the row's tick.
    void dgdViewGetCellParams(const CellInfo& cell, CellStyle& style) const;
    // Space in input mode: ticks or unticks the current row.
    void toggleCurrentTick();
    // "导入对账单" (input mode, Ctrl+I): a bank statement, then the review of
    // what it pays (statement_import.cpp).
    void btnStatementClick();

    // ---- Printing and preview ----
    void btnPreviewClick();
    void btnPrintClick();
    // The print mode menu: tag 1 marks "标准打印", tag 2 "只打合计"; then prints.
    void MAllClick(QAction* sender);
    // Variables, header height and printer of a preview or print.
    void preparePrint();

    int tickedCount() const { return tally_.count(); }
    const AmountTotal& tickedAmount() const { return tally_.amount(); }

    // ---- Components (named as in the window's design) ----
    ClientDataSet cdspass{"cdspass"};
    ClientDataSet cdspub{"cdspub"};
    ClientDataSet cdszffs{"cdszffs"};
    ClientDataSet cdsbank{"cdsbank"};
    Field* cdspassf_zzgdbz = nullptr;
    Field* cdspassf_hsdwh = nullptr;
    Field* cdspassf_hsdwmc = nullptr;
    Field* cdspassf_zdrhsdwh = nullptr;
    Field* cdspassf_Djh = nullptr;
    Field* cdspassf_Gysbm = nullptr;
    Field* cdspassf_Csmc = nullptr;
    Field* cdspassf_tdmc = nullptr;
    Field* cdspassf_hsje = nullptr;
    Field* cdspassf_wsje = nullptr;
    Field* cdspassf_zzse = nullptr;
    Field* cdspassf_zzsl = nullptr;
    Field* cdspassf_zzpjhm = nullptr;
    Field* cdspassf_zzZffs = nullptr;
    Field* cdspassf_zzyh = nullptr;
    Field* cdspassf_Zzzfrq = nullptr;
    Field* cdspassf_Rzrq = nullptr;
    Field* cdspassf_zzgdrq = nullptr;

    TAdvDBGridEh* dgdView = nullptr;
    QToolButton* btnStatement = nullptr;  // input mode only
    TRopWin RopHelp;
    QMenu* MenuDyfs = nullptr;
    QAction* MAll = nullptr;
    QAction* Msum = nullptr;
    QMenu* MenuRow = nullptr;   // the grid rows' menu in search mode
    QAction* Mgdls = nullptr;   // "勾对历史"
    report::TGridReport* PrintDG = nullptr;

    Ui::TrunAccountContent& ui() const { return *ui_; }
    const SystemParameters& parameters() const { return params_; }

protected:
    void FormClose() override;
    // In input mode with ticks or edits not yet saved: asks first.
    bool mayLeave() override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void defineRowSet();
    void buildGrid();
    void buildToolbar();
    void buildHistoryMenu();
    void buildReport();
    bool startUp();
    void applyMode();
    bool loadLookups();
    void FormKeyDown(QKeyEvent* e);
    void storeSettings();
    // The keyboard goes to the grid, so that its keys and the window's work at once.
    void focusGrid();
    // Refuses a command on a list that no search has loaded yet: "请先查询。".
    void requireLoadedList() const;
    // Select all / select none: ticks in input mode, the row selection in search mode.
    void markEveryRow(bool on);
    // The rows of the view, first to last, as records (stable while rows move).
    std::vector<RecordId> viewRecords() const;
    TickRow rowValues(RecordId record) const;
    // The amount f_hsje of the current row (0 when it has none).
    double currentAmount() const;

    QString mode_;
    std::unique_ptr<Ui::TrunAccountContent> ui_;
    SystemParameters params_;
    TickTally tally_;
    bool bulkTicking_ = false;
    // A value other than the tick was changed in the list since it was loaded.
    bool editedSinceLoad_ = false;
    // The business type whose presentation the list has, to go back to when the
    // user keeps the unsaved ticks of the list instead of changing the type.
    int typeIndexShown_ = -1;
    bool shown_ = false;
    bool startFailedHere_ = false;  // this window's own start failed
    // The key event last acted on and the control it reached first.
    const QKeyEvent* lastKey_ = nullptr;
    quint64 lastKeyTime_ = 0;
    QPointer<QWidget> lastKeyStop_;
};

}  // namespace trunaccount::host
