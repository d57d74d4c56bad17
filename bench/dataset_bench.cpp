// The client dataset on 100 000 rows shaped like the reconciliation row set:
// loading a packet, sorting on two columns (one descending), filtering, ticking
// every row with running totals, and the memory a loaded row takes. The same
// sort and filter run through QSortFilterProxyModel over a plain table model
// holding the same rows, for comparison. Then the condition builder's rows
// applied as the grid applies them after OK: two conditions, and a "部分不等于"
// whose side filter lets 20 000 rows with 5 000 distinct names through.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <QAbstractTableModel>
#include <QSortFilterProxyModel>
#include <vector>

#include "dataset/amount_total.h"
#include "dataset/client_dataset.h"
#include "tools/condition_filter.h"
#include "support/condition_row_helpers.h"
#include "support/row_set_rows.h"
#include "widgets/dataset_model.h"

using namespace trunaccount;
using trunaccount::testing::cond;
using trunaccount::testing::defineRowSetFields;
using trunaccount::testing::rel;
using trunaccount::testing::rowSetPacket;

namespace {

constexpr std::size_t kRows = 100000;
constexpr const char* kFilter = "( f_Csmc LIKE '%abc%' ) And ( f_hsje > 100 )";
constexpr int kCsmc = 6;  // column of f_Csmc
constexpr int kHsje = 8;  // column of f_hsje

const DataPacket& packet() {
    static const DataPacket p = rowSetPacket(kRows);
    return p;
}

std::unique_ptr<ClientDataSet> loadedRowSet() {
    auto ds = std::make_unique<ClientDataSet>("cdspass");
    defineRowSetFields(*ds);
    ds->loadPacket(packet());
    return ds;
}

void sortOurs(ClientDataSet& ds) {
    // What sorting by two title markers does: replace "customindex" and use it.
    if (ds.findIndex("customindex")) ds.deleteIndex("customindex");
    ds.addIndex("customindex", "f_Csmc;f_hsje", ixCaseInsensitive, "f_hsje");
    ds.setIndexName("customindex");
}

// A plain table model holding the same rows as variants, row by row.
class PlainModel : public QAbstractTableModel {
public:
    PlainModel() {
        const DataPacket& p = packet();
        cols_ = static_cast<int>(p.columnCount());
        rows_ = static_cast<int>(p.rowCount());
        cells_.reserve(p.rowCount() * p.columnCount());
        for (std::size_t r = 0; r < p.rowCount(); ++r)
            for (std::size_t c = 0; c < p.columnCount(); ++c) {
                if (p.isNull(r, c)) cells_.emplace_back();
                else if (p.columns()[c].kind == ColumnKind::Text) cells_.emplace_back(QString::fromUtf8(p.text(r, c).data(), static_cast<int>(p.text(r, c).size())));
                else cells_.emplace_back(p.floatValue(r, c));
            }
    }
    int rowCount(const QModelIndex& = {}) const override { return rows_; }
    int columnCount(const QModelIndex& = {}) const override { return cols_; }
    QVariant data(const QModelIndex& i, int role) const override {
        if (role != Qt::DisplayRole) return {};
        return cells_[static_cast<std::size_t>(i.row()) * static_cast<std::size_t>(cols_) + static_cast<std::size_t>(i.column())];
    }

private:
    int rows_ = 0, cols_ = 0;
    std::vector<QVariant> cells_;
};

// Supplier name ignoring case, then amount descending; and the same filter.
class RowSetProxy : public QSortFilterProxyModel {
public:
    bool filterOn = false;
    void refilter() { invalidateFilter(); }

protected:
    bool lessThan(const QModelIndex& a, const QModelIndex& b) const override {
        const QAbstractItemModel* m = sourceModel();
        int c = QString::compare(m->index(a.row(), kCsmc).data().toString(), m->index(b.row(), kCsmc).data().toString(),
                                 Qt::CaseInsensitive);
        if (c != 0) return c < 0;
        return m->index(a.row(), kHsje).data().toDouble() > m->index(b.row(), kHsje).data().toDouble();
    }
    bool filterAcceptsRow(int row, const QModelIndex&) const override {
        if (!filterOn) return true;
        const QAbstractItemModel* m = sourceModel();
        return m->index(row, kCsmc).data().toString().contains(QLatin1String("abc")) &&
               m->index(row, kHsje).data().toDouble() > 100;
    }
};

// Times `apply` on the unfiltered dataset, once per iteration, and reports the
// rows it leaves in the view.
template <typename Apply>
void measureFiltering(benchmark::State& state, ClientDataSet& ds, Apply apply) {
    int shown = 0;
    for (auto _ : state) {
        apply();
        shown = ds.recordCount();
        state.PauseTiming();
        ds.setFiltered(false);
        ds.setFilter("");
        state.ResumeTiming();
    }
    state.counters["rows_shown"] = shown;
}

PlainModel& plainModel() {
    static PlainModel m;
    return m;
}

}  // namespace

static void BM_LoadPacket(benchmark::State& state) {
    const DataPacket& p = packet();
    for (auto _ : state) {
        state.PauseTiming();
        auto ds = std::make_unique<ClientDataSet>("cdspass");
        defineRowSetFields(*ds);
        state.ResumeTiming();
        ds->loadPacket(p);
        benchmark::DoNotOptimize(ds->recordCount());
        state.PauseTiming();
        ds.reset();
        state.ResumeTiming();
    }
    state.counters["rows"] = static_cast<double>(p.rowCount());
}
BENCHMARK(BM_LoadPacket)->Unit(benchmark::kMillisecond);

static void BM_MemoryPerRow(benchmark::State& state) {
    packet();
    for (auto _ : state) {
        struct mallinfo2 before = mallinfo2();
        auto ds = loadedRowSet();
        struct mallinfo2 after = mallinfo2();
        state.counters["heap_bytes_per_row"] = static_cast<double>(after.uordblks - before.uordblks) / kRows;
        state.counters["stored_bytes_per_row"] = static_cast<double>(ds->memoryBytes()) / kRows;
    }
}
BENCHMARK(BM_MemoryPerRow)->Iterations(1)->Unit(benchmark::kMillisecond);

static void BM_SortTwoColumnsOneDescending(benchmark::State& state) {
    auto ds = loadedRowSet();
    for (auto _ : state) {
        sortOurs(*ds);
        benchmark::DoNotOptimize(ds->recordAt(0));
        state.PauseTiming();
        ds->setIndexName("");
        state.ResumeTiming();
    }
}
BENCHMARK(BM_SortTwoColumnsOneDescending)->Unit(benchmark::kMillisecond);

static void BM_SortTwoColumnsOneDescending_QSortFilterProxyModel(benchmark::State& state) {
    RowSetProxy proxy;
    proxy.setDynamicSortFilter(false);
    proxy.setSourceModel(&plainModel());
    for (auto _ : state) {
        proxy.sort(kCsmc, Qt::AscendingOrder);
        benchmark::DoNotOptimize(proxy.mapToSource(proxy.index(0, 0)).row());
        state.PauseTiming();
        proxy.sort(-1);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_SortTwoColumnsOneDescending_QSortFilterProxyModel)->Unit(benchmark::kMillisecond);

static void BM_Filter(benchmark::State& state) {
    auto ds = loadedRowSet();
    measureFiltering(state, *ds, [&] {
        ds->setFilter(kFilter);
        ds->setFiltered(true);
    });
}
BENCHMARK(BM_Filter)->Unit(benchmark::kMillisecond);

static void BM_Filter_QSortFilterProxyModel(benchmark::State& state) {
    RowSetProxy proxy;
    proxy.setDynamicSortFilter(false);
    proxy.setSourceModel(&plainModel());
    int shown = 0;
    for (auto _ : state) {
        proxy.filterOn = true;
        proxy.refilter();
        shown = proxy.rowCount();
        state.PauseTiming();
        proxy.filterOn = false;
        proxy.refilter();
        state.ResumeTiming();
    }
    state.counters["rows_shown"] = shown;
}
BENCHMARK(BM_Filter_QSortFilterProxyModel)->Unit(benchmark::kMillisecond);

// Every row ticked one by one, the change handler keeping the ticked count
// and amount (what the window does for each click).
static void BM_TickEveryRowWithRunningTotals(benchmark::State& state) {
    auto ds = loadedRowSet();
    Field& tick = ds->fieldByName("f_zzgdbz");
    Field& amount = ds->fieldByName("f_hsje");
    int tickedCount = 0;
    AmountTotal tickedAmount;
    tick.setOnChange([&](Field& f) {
        if (f.asString() == "1") {
            ++tickedCount;
            tickedAmount.add(amount.asFloat());
        } else {
            --tickedCount;
            tickedAmount.subtract(amount.asFloat());
        }
    });
    const char* value = "1";
    for (auto _ : state) {
        for (ds->first(); !ds->eof(); ds->next()) {
            ds->edit();
            tick.setAsString(value);
            ds->post();
        }
        value = value[0] == '1' ? "0" : "1";
    }
    state.counters["rows"] = ds->recordCount();
    benchmark::DoNotOptimize(tickedAmount.value());
}
BENCHMARK(BM_TickEveryRowWithRunningTotals)->Unit(benchmark::kMillisecond);

// The table model answers any row in the same time.
static void BM_ModelDataAnyRow(benchmark::State& state) {
    auto ds = loadedRowSet();
    DatasetModel model;
    model.setDataset(ds.get());
    std::uint32_t x = 12345;
    for (auto _ : state) {
        x = x * 1664525u + 1013904223u;
        int row = static_cast<int>((x >> 8) % kRows);
        benchmark::DoNotOptimize(model.data(model.index(row, kHsje)));
    }
}
BENCHMARK(BM_ModelDataAnyRow);

namespace {

// The row set's packet with other supplier names: every fifth row one of 5 000
// names containing "华联", the others one of 7 919 names without it.
const DataPacket& manyNamesPacket() {
    static const DataPacket p = [] {
        const DataPacket& base = packet();
        DataPacket q(base.columns());
        q.reserve(base.rowCount());
        for (std::size_t r = 0; r < base.rowCount(); ++r) {
            for (std::size_t c = 0; c < base.columnCount(); ++c) {
                if (c != static_cast<std::size_t>(kCsmc)) {
                    q.addValue(base.value(r, c));
                } else if (r % 5 == 0) {
                    q.addText("华联商贸" + std::to_string((r / 5) % 5000) + "号店");
                } else {
                    q.addText("永辉超市" + std::to_string(r % 7919));
                }
            }
            q.endRow();
        }
        return q;
    }();
    return p;
}

void applyRows(benchmark::State& state, ClientDataSet& ds, const ConditionRows& rows) {
    measureFiltering(state, ds, [&] { ApplyConditionRows(ds, rows); });
}

}  // namespace

// "供应商名称 部分等于 abc 并且 发票金额 大于 100", built, parsed and applied.
static void BM_ConditionRowsTwoConditions(benchmark::State& state) {
    auto ds = loadedRowSet();
    applyRows(state, *ds, {cond("供应商名称", "部分等于", "abc"), rel("并且"), cond("发票金额", "大于", "100")});
}
BENCHMARK(BM_ConditionRowsTwoConditions)->Unit(benchmark::kMillisecond);

// "供应商名称 部分不等于 华联": the side filter, the 5 000 values it finds (each
// once) and the filter that excludes them.
static void BM_ConditionRowsDoesNotContain(benchmark::State& state) {
    auto ds = std::make_unique<ClientDataSet>("cdspass");
    defineRowSetFields(*ds);
    ds->loadPacket(manyNamesPacket());
    const ConditionRows rows = {cond("供应商名称", "部分不等于", "华联")};
    state.counters["side_rows"] = static_cast<double>(ds->recordsMatching("f_Csmc LIKE '%华联%'").size());
    applyRows(state, *ds, rows);
}
BENCHMARK(BM_ConditionRowsDoesNotContain)->Unit(benchmark::kMillisecond);

// The same exclusion tested term by term (each "<>" written as "not (... = ...)",
// which is not gathered into a set): what the long chain would cost without it.
static void BM_ExclusionChainTermByTerm(benchmark::State& state) {
    auto ds = std::make_unique<ClientDataSet>("cdspass");
    defineRowSetFields(*ds);
    ds->loadPacket(manyNamesPacket());
    std::string text = ConditionFilterText({cond("供应商名称", "部分不等于", "华联")}, *ds).toStdString();
    std::string termByTerm;
    for (std::size_t at = 0;;) {
        std::size_t next = text.find("f_Csmc<>'", at);
        if (next == std::string::npos) {
            termByTerm += text.substr(at);
            break;
        }
        std::size_t end = text.find('\'', next + 9);
        while (end + 1 < text.size() && text[end + 1] == '\'') end = text.find('\'', end + 2);
        termByTerm += text.substr(at, next - at) + "not (f_Csmc = " + text.substr(next + 8, end - next - 7) + ")";
        at = end + 1;
    }
    measureFiltering(state, *ds, [&] {
        ds->setFilter(termByTerm);
        ds->setFiltered(true);
    });
}
BENCHMARK(BM_ExclusionChainTermByTerm)->Iterations(2)->Unit(benchmark::kMillisecond);
