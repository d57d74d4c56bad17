// The window's document search against the bare query, in the same run:
//   - QueryData of the text the window sends for invoice submissions over the
//     twelve months of 2024 (about 100k documents listed, every tick state) on
//     SQLite;
//   - the window's search of the same: btnSearchClick (what F2 runs) in search
//     mode, from the date checks to the totals line written (the query, the
//     wait window, loading the row set, the condition memo, counting the ticked
//     rows), and the same followed by the one repaint it causes.
// The search counters say how much of each run the coordinator took.
// Then what "过  滤(&O)" does to the listed year once the condition builder has
// closed: two conditions, and a "部分不等于", applied to the row set with the
// grid attached, followed by the repaint.
// Offscreen Qt platform unless QT_QPA_PLATFORM says otherwise.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <iostream>

#include "bench_databases.h"
#include "host/frm_trun_account.h"
#include "host/open_window.h"
#include "platform/coordinator_calls.h"
#include "platform/message_box.h"
#include "tools/adv_grid.h"
#include "tools/condition_filter.h"
#include "ui_frm_trun_account.h"

using namespace trunaccount;
using namespace trunaccount::bench;

namespace {

using Clock = std::chrono::steady_clock;

// Passes every call on to the real coordinator; keeps the text of the last
// QueryData and the time spent in QueryData.
class TimedCoordinator final : public ICoorDisp {
public:
    explicit TimedCoordinator(CoordinatorRef inner) : inner_(std::move(inner)) {}
    std::uint32_t AddRef() noexcept override { return ++refs_; }
    std::uint32_t Release() noexcept override {
        const std::uint32_t left = --refs_;
        if (!left) delete this;
        return left;
    }
    DispatchStatus Invoke(std::int32_t dispId, std::span<Variant> args, Variant& result,
                          std::string& errorText) noexcept override {
        const bool query = dispId == static_cast<std::int32_t>(CoordinatorOp::QueryData);
        if (query && !args.empty() && args[0].isText()) lastSql = args[0].asText();
        const auto t0 = Clock::now();
        const DispatchStatus status = inner_->Invoke(dispId, args, result, errorText);
        if (query) queryTime += Clock::now() - t0;
        return status;
    }

    std::string lastSql;
    Clock::duration queryTime{};

private:
    ~TimedCoordinator() = default;
    CoordinatorRef inner_;
    std::atomic<std::uint32_t> refs_{0};
};

struct Setup {
    QTemporaryDir hostDir;
    QWidget hostWindow, notify, container;
    TimedCoordinator* coordinator = nullptr;
    CoordinatorRef coordinatorRef;
    host::TFrmTrunAccount* window = nullptr;
};

std::unique_ptr<Setup> theSetup;  // made and gone while the application lives
Setup& setup() { return *theSetup; }

// The search window over the database, dates on 2024, every tick state.
void openWindow(const std::string& location) {
    Setup& s = setup();
    ::setenv("TRUNACCOUNT_HOST_DIR", s.hostDir.path().toLocal8Bit().constData(), 1);
    platform::setMessageBoxHandler([](platform::WindowHandle, std::string_view text, std::string_view caption, unsigned) {
        std::cerr << "message box: " << caption << ": " << text << "\n";
        return int(platform::IDOK);
    });
    s.coordinator = new TimedCoordinator(openBenchCoordinator(location));
    s.coordinatorRef = CoordinatorRef(s.coordinator);
    s.container.resize(1200, 700);
    s.container.show();
    s.window = host::openReconciliationWindow(&s.hostWindow, &s.notify, "0001", &s.container,
                                              s.coordinator, QStringLiteral("Search"));
    if (!s.window) throw std::runtime_error("the window did not start");
    s.window->ui().cbywlx->setCurrentIndex(0);
    s.window->cbywlxChange();
    s.window->ui().cbgdlx->setCurrentIndex(0);
    s.window->ui().edtrzrq_b->setDate(QDate(2024, 1, 1));
    s.window->ui().edtrzrq_e->setDate(QDate(2024, 12, 31));
    QCoreApplication::processEvents();
}

bool search(benchmark::State& state) {
    Setup& s = setup();
    s.window->btnSearchClick();
    if (s.window->cdspass.recordCount() < 90000) {
        state.SkipWithError("the search did not list the year's documents");
        return false;
    }
    return true;
}

void setCounters(benchmark::State& state, Clock::duration inQuery) {
    const double runs = static_cast<double>(state.iterations());
    state.counters["rows"] = setup().window->cdspass.recordCount();
    state.counters["QueryData_ms"] = std::chrono::duration<double, std::milli>(inQuery).count() / runs;
}

void bareQuery(benchmark::State& state) {
    Setup& s = setup();
    const std::string sql = s.coordinator->lastSql;
    std::size_t rows = 0;
    for (auto _ : state) {
        Variant data;
        if (!platform::QueryData(*s.coordinatorRef, sql, data)) {
            state.SkipWithError(platform::ReportError(nullptr, data, "QueryData failed").c_str());
            return;
        }
        rows = data.asPacket()->rowCount();
    }
    state.counters["rows"] = static_cast<double>(rows);
}

// From the search command to the totals line written.
void windowSearch(benchmark::State& state) {
    Setup& s = setup();
    s.coordinator->queryTime = {};
    for (auto _ : state)
        if (!search(state)) return;
    setCounters(state, s.coordinator->queryTime);
}

// The same, and the repaint that shows the rows and the footers.
void windowSearchAndRepaint(benchmark::State& state) {
    Setup& s = setup();
    s.coordinator->queryTime = {};
    for (auto _ : state) {
        if (!search(state)) return;
        QCoreApplication::processEvents();
    }
    setCounters(state, s.coordinator->queryTime);
}

// The filter applied as the window applies it after OK, and the repaint; the
// filter is taken off again outside the timing.
void windowFilter(benchmark::State& state, const ConditionRows& rows) {
    Setup& s = setup();
    ClientDataSet& ds = s.window->cdspass;
    int shown = 0;
    for (auto _ : state) {
        ApplyConditionRows(ds, rows);
        s.window->dgdView->column(0).setFooterValue(QStringLiteral("合计:%1条").arg(ds.recordCount()));
        QCoreApplication::processEvents();
        shown = ds.recordCount();
        state.PauseTiming();
        ApplyConditionRows(ds, {});
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["rows"] = static_cast<double>(ds.recordsMatching({}).size());
    state.counters["rows_shown"] = shown;
}

ConditionRow condition(const QString& field, const QString& op, const QString& value) {
    return ConditionRow::condition(field, op, value);
}

void windowFilterTwoConditions(benchmark::State& state) {
    windowFilter(state, {condition(QStringLiteral("供应商名称"), QStringLiteral("部分等于"), QStringLiteral("饮料")),
                         ConditionRow::relation(QStringLiteral("并且")),
                         condition(QStringLiteral("发票金额"), QStringLiteral("大于"), QStringLiteral("50000"))});
}

void windowFilterDoesNotContain(benchmark::State& state) {
    windowFilter(state, {condition(QStringLiteral("供应商名称"), QStringLiteral("部分不等于"), QStringLiteral("饮料"))});
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    theSetup = std::make_unique<Setup>();
    try {
        // 11,670 invoice submissions a month: the year's search lists about 100k of them.
        openWindow(sqliteDatabase(benchYear(11670)));
        setup().window->btnSearchClick();  // warms the caches and leaves the text it sent
        if (setup().coordinator->lastSql.rfind("select * from (", 0) != 0)
            throw std::runtime_error("the window sent no document search");
    } catch (const std::exception& e) {
        std::cerr << "window_search_bench: " << e.what() << "\n";
        return 1;
    }
    using Run = void (*)(benchmark::State&);
    const std::pair<const char*, Run> runs[] = {{"QueryData/InvoiceSubmissions12Months/SQLite", bareQuery},
                                                {"WindowSearch/F2ToTotals/SQLite", windowSearch},
                                                {"WindowSearch/F2ToRepaint/SQLite", windowSearchAndRepaint},
                                                {"WindowFilter/TwoConditionsToRepaint", windowFilterTwoConditions},
                                                {"WindowFilter/DoesNotContainToRepaint", windowFilterDoesNotContain}};
    for (auto [name, fn] : runs)
        benchmark::RegisterBenchmark(name, fn)->Unit(benchmark::kMillisecond)->MinTime(3)->UseRealTime();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    theSetup.reset();
    return 0;
}
