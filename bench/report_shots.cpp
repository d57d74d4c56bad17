// Throwaway: the window's report over a few days of the bench database, the
// preview grabbed to PNG and every export written, for looking at them.
#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QTemporaryDir>
#include <iostream>

#include "bench_databases.h"
#include "host/frm_trun_account.h"
#include "host/open_window.h"
#include "platform/message_box.h"
#include "report/grid_report.h"
#include "report/report_export.h"
#include "report/report_preview.h"
#include "ui_frm_trun_account.h"

using namespace trunaccount;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QTemporaryDir hostDir;
    ::setenv("TRUNACCOUNT_HOST_DIR", hostDir.path().toLocal8Bit().constData(), 1);
    platform::setMessageBoxHandler([](platform::WindowHandle, std::string_view text, std::string_view caption, unsigned) {
        std::cerr << caption << ": " << text << "\n";
        return int(platform::IDOK);
    });
    QWidget hostWindow, notify, container;
    CoordinatorRef coordinator = bench::openBenchCoordinator(bench::sqliteDatabase(bench::benchYear(11670)));
    container.resize(1200, 700);
    container.show();
    auto* w = host::openReconciliationWindow(&hostWindow, &notify, "0001", &container, coordinator.get(), QStringLiteral("Search"));
    w->ui().cbywlx->setCurrentIndex(argc > 2 ? atoi(argv[2]) : 0);
    w->cbywlxChange();
    w->ui().cbgdlx->setCurrentIndex(0);
    w->ui().edtrzrq_b->setDate(QDate(2024, 1, 1));
    w->ui().edtrzrq_e->setDate(QDate(2024, 1, 2));
    w->btnSearchClick();
    std::cerr << "rows " << w->cdspass.recordCount() << "\n";
    w->preparePrint();
    w->PrintDG->ShowMasterData = argc > 1 && QByteArray(argv[1]) == "totals";
    auto r = w->PrintDG->BuildReport();
    r->layout();
    const QString out = QStringLiteral("/tmp/shots/");
    {
        report::TReportPreview p(w->PrintDG->BuildReport(), QString(), nullptr);
        p.resize(1100, 800);
        p.show();
        QCoreApplication::processEvents();
        p.grab().save(out + "preview.png");
        p.setZoom(report::TReportPreview::Zoom::Percent, 100);
        p.setPage(1);
        QCoreApplication::processEvents();
        p.grab().save(out + "preview_100_p2.png");
    }
    for (const auto& f : report::exportFormats()) {
        const QStringList files = report::exportReport(*r, f.format, out + "list." + f.suffix);
        std::cerr << f.suffix.toStdString() << ": " << files.size() << " file(s)\n";
    }
    return 0;
}
