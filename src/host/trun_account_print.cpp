// Printing and preview of the reconciliation window: the report of the grid
// (title, condition, printing date, time, operator and page numbers), the
// preview, printing to the printer named in the settings file, and the print
// mode menu (all rows or totals only).
#include <QAction>
#include <QTextEdit>

#include "data/settings.h"
#include "host/frm_trun_account.h"
#include "host/window_support.h"
#include "report/grid_report.h"
#include "tools/adv_grid.h"
#include "ui_frm_trun_account.h"

namespace trunaccount::host {

using namespace trunaccount::platform;
using report::FontSpec;
using report::TemplateLine;

namespace {

constexpr const char* kSettingsFile = "Quorvexpos.ini";
const QColor kTitleWhite(255, 255, 255);

// The grid's titles print black; whatever happens meanwhile, they are white
// again afterwards.
class BlackTitles {
public:
    explicit BlackTitles(DataGrid& grid) : grid_(grid) { grid_.setTitleFontColor(QColor(0, 0, 0)); }
    ~BlackTitles() { grid_.setTitleFontColor(kTitleWhite); }
    BlackTitles(const BlackTitles&) = delete;
    BlackTitles& operator=(const BlackTitles&) = delete;

private:
    DataGrid& grid_;
};

}  // namespace

void TFrmTrunAccount::buildReport() {
    PrintDG = new report::TGridReport(this);
    PrintDG->setObjectName(QStringLiteral("PrintDG"));
    PrintDG->PrintControl = dgdView;
    const FontSpec hei{QStringLiteral("黑体"), 22, false};
    const FontSpec song{QStringLiteral("宋体"), 9, false};
    PrintDG->CellFont = song;
    PrintDG->PageHeader.lines = {TemplateLine{QStringLiteral("[Title]"), hei, Qt::AlignHCenter},
                                 TemplateLine{QStringLiteral("[Condi]"), song, Qt::AlignLeft}};
    PrintDG->ColumnFooter.lines = {
        TemplateLine{QStringLiteral("打印日期:[Date]  打印时间:[Time]") + QString(21, QLatin1Char(' ')), song, Qt::AlignLeft},
        TemplateLine{QStringLiteral("操 作 员:[Oper]  "), song, Qt::AlignLeft},
        TemplateLine{QStringLiteral("页    数:第[Page#]页/共[TotalPages#]页"), song, Qt::AlignLeft}};
    PrintDG->PageFooter.lines = {TemplateLine{QString(), song, Qt::AlignHCenter}};
    // A4 portrait; margins and page size in tenths of a millimetre.
    PrintDG->Page = report::PageSetup{};
    PrintDG->Options.fitColumns = true;
    PrintDG->Options.wordWrap = true;
    PrintDG->Options.gridLines = true;
    PrintDG->Options.pageHeaderOnFirstPageOnly = true;
    PrintDG->Options.rowNumberCaption = QStringLiteral("No");
}

void TFrmTrunAccount::preparePrint() {
    // 2. The variables of the templates.
    PrintDG->SetVariable(QStringLiteral("Oper"), QString::fromStdString(params_.operatorName));
    PrintDG->SetVariable(QStringLiteral("Date"), QString::fromStdString(params_.serverDate));
    const std::string& stamp = params_.serverDateTime;
    PrintDG->SetVariable(QStringLiteral("Time"), QString::fromStdString(stamp.size() > 8 ? stamp.substr(8, 8) : std::string()));
    PrintDG->SetVariable(QStringLiteral("Title"), QStringLiteral("收款单明细查询"));
    // 3. The condition, and the header as high as its lines.
    if (!ui_->MemoCondition->isHidden()) {
        PrintDG->SetVariable(QStringLiteral("Condi"), dgdView->ConditionText(RangeTitle()));
        QStringList lines = ui_->MemoCondition->toPlainText().split(QLatin1Char('\n'));
        if (lines.size() > 1 && lines.back().isEmpty()) lines.removeLast();
        PrintDG->SetPageHeaderHeight(18.0 * static_cast<double>(lines.size()) + 28);
    } else {
        PrintDG->SetVariable(QStringLiteral("Condi"), QString());
        PrintDG->SetPageHeaderHeight(40);
    }
    PrintDG->PrinterName = QString::fromStdString(ReadSetting(kSettingsFile, "Print", "Printer", "", ""));
}

void TFrmTrunAccount::btnPreviewClick() {
    if (!cdspass.active()) return;
    dgdView->postEditor();
    BlackTitles black(*dgdView);
    preparePrint();
    // A preview always shows the rows, whatever print mode is marked.
    PrintDG->ShowMasterData = false;
    PrintDG->Preview(this);
}

void TFrmTrunAccount::btnPrintClick() {
    if (!cdspass.active()) return;
    if (messageBox(this, "请准备好打印机，进行打印!", "提示", MB_OKCANCEL | MB_ICONINFORMATION) != IDOK) return;
    dgdView->postEditor();
    BlackTitles black(*dgdView);
    preparePrint();
    PrintDG->ShowMasterData = Msum->isChecked();
    PrintDG->Print(this);
}

void TFrmTrunAccount::MAllClick(QAction* sender) {
    const bool totals = sender && sender->data().toInt() == 2;
    MAll->setChecked(!totals);
    Msum->setChecked(totals);
    btnPrintClick();
}

}  // namespace trunaccount::host
