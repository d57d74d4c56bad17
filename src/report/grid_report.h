// The report component of a window: prints the grid it is given with bands,
// variables and page settings, through a modal preview or straight to a
// printer. Each run builds the report afresh from the grid as it stands.
#pragma once

#include <QObject>
#include <QString>
#include <memory>

#include "report/report.h"

namespace trunaccount {
class DataGrid;
}

namespace trunaccount::report {

class TGridReport : public QObject {
    Q_OBJECT
public:
    explicit TGridReport(QObject* parent = nullptr);

    DataGrid* PrintControl = nullptr;
    Band PageHeader;
    Band ColumnFooter;
    Band PageFooter;
    PageSetup Page;
    ReportOptions Options;
    FontSpec CellFont;
    // Totals only: the grid's data rows are laid out with no height, so the
    // column titles and the footer row are printed without them.
    bool ShowMasterData = false;
    // "" the system's default printer; a printer's name; "file:" and a path for a PDF file.
    QString PrinterName;

    void SetVariable(const QString& name, const QString& value) { variables_[name] = value; }
    QString Variable(const QString& name) const { return variables_.value(name); }
    void SetPageHeaderHeight(double pixels) { PageHeader.height = pixels; }

    // The report of the grid with these settings. Raises ReportError.
    std::unique_ptr<Report> BuildReport() const;
    // Shows the report in a modal preview; returns when it is closed.
    void Preview(QWidget* owner);
    // Prints without a dialog, with a progress window that can cancel.
    // Raises ReportError (no printer, unwritable file); a cancelled print is no error.
    void Print(QWidget* owner);

private:
    QMap<QString, QString> variables_;
};

}  // namespace trunaccount::report
