// The reconciliation window "转帐勾对": in input mode the accountant ticks off
// the documents whose bank transfer is booked and saves the ticks; in search mode
// ticked and unticked documents are listed and ticks can be revoked.
#pragma once

#include <QPointer>
#include <QString>
#include <QStringList>
#include <memory>
#include <string>

#include "data/system_parameters.h"
#include "dataset/amount_total.h"
#include "dataset/client_dataset.h"
#include "host/frm_base.h"
#include "host/rop_win.h"
#include "reconcile/business_type.h"
#include "reconcile/tick_statements.h"

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
    BusinessType businessType() const;

    // ---- Lifecycle ----
    // Restores the stored layout and list selections and applies the business
    // type; closes a window whose start failed.
    void FormShow();
    void btnExitClick();

    // ---- Row set ----
    void cbywlxChange();
    void UpdateTotals();
    QString RangeTitle() const;
    std::string cdspassf_zzZffsGetText(RecordId record) const;
    std::string cdspassf_zzyhGetText(RecordId record) const;

    // ---- Search ----
    void btnSearchClick();

    // ---- Ticks, save, revoke ----
    void cdspassf_zzgdbzChange(Field& field);
    void cdspassf_ZzzfrqValidate(const Variant& newValue);
    void btnallClick();
    void btnnoallClick();
    void btndelClick();
    void btnsaveClick();
    void btnNogdClick();
    void btnHandClick();
    // A character typed in the grid: Enter moves to the next editable cell.
    void dgdViewKeyPress(int key);
    // The background of a data cell by the row's tick.
    void dgdViewGetCellParams(const CellInfo& cell, CellStyle& style) const;
    // Space in input mode: ticks or unticks the current row.
    void toggleCurrentTick();

    // ---- Printing and preview ----
    void btnPreviewClick();
    void btnPrintClick();
    // The print mode menu: tag 1 marks "标准打印", tag 2 "只打合计"; then prints.
    void MAllClick(QAction* sender);
    // Variables, header height and printer of a preview or print.
    void preparePrint();

    int tickedCount() const { return tickedCount_; }
    const AmountTotal& tickedAmount() const { return tickedAmount_; }

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
    TRopWin RopHelp;
    QMenu* MenuDyfs = nullptr;
    QAction* MAll = nullptr;
    QAction* Msum = nullptr;
    report::TGridReport* PrintDG = nullptr;

    Ui::TrunAccountContent& ui() const { return *ui_; }
    const SystemParameters& parameters() const { return params_; }

protected:
    void FormClose() override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void defineRowSet();
    void buildGrid();
    void buildToolbar();
    void buildReport();
    void fitTotalsColumns(const QStringList& texts);
    bool startUp();
    void applyMode();
    bool loadLookups();
    void FormKeyDown(QKeyEvent* e);
    void storeSettings();
    // Select all / select none: ticks in input mode, the row selection in search mode.
    void markEveryRow(bool on);
    // The rows of the view, first to last, as records (stable while rows move).
    std::vector<RecordId> viewRecords() const;
    TickRow rowValues(RecordId record) const;

    QString mode_;
    std::unique_ptr<Ui::TrunAccountContent> ui_;
    SystemParameters params_;
    int tickedCount_ = 0;
    AmountTotal tickedAmount_;
    bool bulkTicking_ = false;
    bool shown_ = false;
    bool startFailedHere_ = false;  // this window's own start failed
    // The key event last acted on and the control it reached first.
    const QKeyEvent* lastKey_ = nullptr;
    quint64 lastKeyTime_ = 0;
    QPointer<QWidget> lastKeyStop_;
};

}  // namespace trunaccount::host
