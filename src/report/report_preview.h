// The modal preview of a report: the pages one at a time with zoom (whole
// page, page width, 100 %, in and out), page navigation (PgUp, PgDn, Home, End,
// the mouse wheel) and the page count, find across pages, page setup for this
// report, printing, exports, and opening and saving prepared reports.
#pragma once

#include <QDialog>
#include <functional>
#include <memory>

#include "report/report.h"
#include "report/report_export.h"

class QLabel;
class QLineEdit;
class QScrollArea;
class QToolButton;
class QWidget;

namespace trunaccount::report {

class PageView;

// Runs a long piece of work with a progress window that can cancel it. The
// work gets the progress function to call; ReportCancelled passes through.
void withProgress(QWidget* owner, const QString& label, const std::function<void(const Progress&)>& work);

class TReportPreview : public QDialog {
    Q_OBJECT
public:
    enum class Zoom { WholePage, PageWidth, Percent };

    TReportPreview(std::unique_ptr<Report> report, const QString& printerName, QWidget* parent = nullptr);
    ~TReportPreview() override;

    Report& report() const { return *report_; }
    int currentPage() const { return page_; }
    int pageCount() const;
    void setPage(int index);
    Zoom zoomMode() const { return zoomMode_; }
    double zoom() const;  // device pixels per layout unit shown
    void setZoom(Zoom mode, double percent = 100);
    void zoomIn();
    void zoomOut();
    QString pageLabel() const;

    // Find: the next (or previous) line of text holding `text`, from the one
    // found last; false when there is none.
    bool find(const QString& text, bool forward = true);

    // What the buttons do once they have a file name (tests call them directly).
    QStringList exportTo(ExportFormat format, const QString& path);
    void saveTo(const QString& path);
    void openFrom(const QString& path);
    void print();
    void applyPageSetup(const PageSetup& setup);

    // The page as shown, for tests and screenshots.
    const Page& shownPage() const { return shown_; }

protected:
    void keyPressEvent(QKeyEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    friend class PageView;
    void buildToolbar();
    void refresh();
    void relayout();
    void fail(const std::exception& e);
    void askExportSpreadsheet();
    void askExport();
    void askSave();
    void askOpen();
    void askPageSetup();
    void toggleFind();

    std::unique_ptr<Report> report_;
    QString printerName_;
    int page_ = 0;
    Page shown_;
    Zoom zoomMode_ = Zoom::WholePage;
    double percent_ = 100;
    QScrollArea* scroll_ = nullptr;
    PageView* view_ = nullptr;
    QLabel* pageLabel_ = nullptr;
    QWidget* findBar_ = nullptr;
    QLineEdit* findText_ = nullptr;
    int foundPage_ = -1;
    int foundItem_ = -1;
};

}  // namespace trunaccount::report
