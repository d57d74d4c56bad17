#include "report/grid_report.h"

#include <QApplication>

#include "report/report_preview.h"
#include "report/report_print.h"
#include "widgets/data_grid.h"

namespace trunaccount::report {

TGridReport::TGridReport(QObject* parent) : QObject(parent) {}

std::unique_ptr<Report> TGridReport::BuildReport() const {
    if (!PrintControl) throw ReportError("报表没有要打印的表格");
    auto report = std::make_unique<Report>(std::make_shared<GridTable>(*PrintControl));
    report->setup = Page;
    report->options = Options;
    report->pageHeader = PageHeader;
    report->columnFooter = ColumnFooter;
    report->pageFooter = PageFooter;
    report->cellFont = CellFont;
    report->totalsOnly = ShowMasterData;
    for (auto it = variables_.begin(); it != variables_.end(); ++it) report->setVariable(it.key(), it.value());
    return report;
}

void TGridReport::Preview(QWidget* owner) {
    std::unique_ptr<Report> report = BuildReport();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        report->layout();
    } catch (...) {
        QApplication::restoreOverrideCursor();
        throw;
    }
    QApplication::restoreOverrideCursor();
    TReportPreview preview(std::move(report), PrinterName, owner);
    preview.exec();
}

void TGridReport::Print(QWidget* owner) {
    std::unique_ptr<Report> report = BuildReport();
    try {
        withProgress(owner, QStringLiteral("正在打印…"),
                     [&](const Progress& progress) { printReport(*report, PrinterName, progress); });
    } catch (const ReportCancelled&) {
        // Cancelled by the user: nothing more to say.
    }
}

}  // namespace trunaccount::report
