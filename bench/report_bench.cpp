// The report of the window's grid over a year's invoice submissions (about
// 100k rows, the list of window_search_bench), offscreen:
//   - Preview/FirstPageShown: the report built from the grid, every row measured
//     and the pages counted, the preview window made and its first page drawn;
//   - Export/PDF, Export/XLSX, Export/CSV (and text, for comparison): a fresh
//     report written to a file, layout included.
// Counter peak_MB_above_list: the process's peak resident memory during the run
// above what it held before (the loaded list), measured with the kernel's peak
// counter reset before each run. REPORT_BENCH_SHOT=file.png saves the preview
// at page width, to look at.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>
#include <fstream>
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
using namespace trunaccount::bench;

namespace {

struct Setup {
    QTemporaryDir hostDir;
    QTemporaryDir out;
    QWidget hostWindow, notify, container;
    CoordinatorRef coordinator;
    host::TFrmTrunAccount* window = nullptr;
};
std::unique_ptr<Setup> theSetup;

long statusKb(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(key, 0) == 0) return std::atol(line.c_str() + std::strlen(key));
    return 0;
}

// Resets the peak resident size to the present one; returns the present one (kB).
long resetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
    return statusKb("VmRSS:");
}

void setPeak(benchmark::State& state, long before) {
    state.counters["peak_MB_above_list"] = static_cast<double>(statusKb("VmHWM:") - before) / 1024.0;
}

void previewFirstPage(benchmark::State& state) {
    Setup& s = *theSetup;
    int pages = 0;
    const long before = resetPeak();
    for (auto _ : state) {
        s.window->preparePrint();
        std::unique_ptr<report::Report> r = s.window->PrintDG->BuildReport();
        r->layout();
        report::TReportPreview preview(std::move(r), QString(), s.window);
        preview.resize(1000, 760);
        preview.show();
        const QPixmap shot = preview.grab();  // the first page drawn
        benchmark::DoNotOptimize(shot.cacheKey());
        if (const QString file = qEnvironmentVariable("REPORT_BENCH_SHOT"); !file.isEmpty()) {
            preview.setZoom(report::TReportPreview::Zoom::PageWidth);
            preview.grab().save(file);
        }
        pages = preview.pageCount();
    }
    state.counters["pages"] = pages;
    setPeak(state, before);
}

void exportTo(benchmark::State& state, report::ExportFormat format) {
    Setup& s = *theSetup;
    const QString path = s.out.filePath(QStringLiteral("list.") + report::formatInfo(format).suffix);
    const long before = resetPeak();
    qint64 bytes = 0;
    for (auto _ : state) {
        s.window->preparePrint();
        std::unique_ptr<report::Report> r = s.window->PrintDG->BuildReport();
        report::exportReport(*r, format, path);
        bytes = QFile(path).size();
    }
    state.counters["MB_written"] = static_cast<double>(bytes) / 1e6;
    setPeak(state, before);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    theSetup = std::make_unique<Setup>();
    try {
        Setup& s = *theSetup;
        ::setenv("TRUNACCOUNT_HOST_DIR", s.hostDir.path().toLocal8Bit().constData(), 1);
        platform::setMessageBoxHandler([](platform::WindowHandle, std::string_view text, std::string_view caption, unsigned) {
            std::cerr << "message box: " << caption << ": " << text << "\n";
            return int(platform::IDOK);
        });
        s.coordinator = openBenchCoordinator(sqliteDatabase(benchYear(11670)));
        s.container.resize(1200, 700);
        s.container.show();
        s.window = host::openReconciliationWindow(&s.hostWindow, &s.notify, "0001", &s.container, s.coordinator.get(),
                                                  QStringLiteral("Search"));
        if (!s.window) throw std::runtime_error("the window did not start");
        s.window->ui().cbywlx->setCurrentIndex(0);
        s.window->cbywlxChange();
        s.window->ui().cbgdlx->setCurrentIndex(0);
        s.window->ui().edtrzrq_b->setDate(QDate(2024, 1, 1));
        s.window->ui().edtrzrq_e->setDate(QDate(2024, 12, 31));
        s.window->btnSearchClick();
        QCoreApplication::processEvents();
        if (s.window->cdspass.recordCount() < 90000) throw std::runtime_error("the search did not list the year's documents");
        std::cerr << "rows listed: " << s.window->cdspass.recordCount() << "\n";
    } catch (const std::exception& e) {
        std::cerr << "report_bench: " << e.what() << "\n";
        return 1;
    }
    benchmark::RegisterBenchmark("Preview/FirstPageShown", previewFirstPage)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
    const std::pair<const char*, report::ExportFormat> exports[] = {{"Export/CSV", report::ExportFormat::Csv},
                                                                    {"Export/Text", report::ExportFormat::Text},
                                                                    {"Export/XLSX", report::ExportFormat::Xlsx},
                                                                    {"Export/PDF", report::ExportFormat::Pdf}};
    for (auto [name, format] : exports)
        benchmark::RegisterBenchmark(name, [format](benchmark::State& st) { exportTo(st, format); })
            ->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    theSetup.reset();
    return 0;
}
