// The reference coordinator under the load of a year of documents:
//   - QueryData of the invoice submission search over 12 months (100k invoice
//     submissions in total): the floor the window's search is measured against;
//   - ExecBatch of 10k update statements in one transaction.
// Both on SQLite and, when TRUNACCOUNT_PG_URI names a server, on PostgreSQL.
// The databases are made once and kept (bench_databases.h).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <iostream>

#include "bench_databases.h"
#include "coordinator/demo_data.h"
#include "platform/coordinator_calls.h"
#include "reconcile/document_query.h"

using namespace trunaccount;
using namespace trunaccount::bench;

namespace {

void searchInvoiceSubmissions(benchmark::State& state, std::string location) {
    auto coordinator = openBenchCoordinator(location);
    DocumentSearch s;
    s.startDate = "20240101";
    s.endDate = "20241231";
    s.type = BusinessType::InvoiceSubmission;
    s.unit = coord::kDemoUnit;
    const std::string sql = buildDocumentQuery(s);
    std::size_t rows = 0;
    for (auto _ : state) {
        Variant data;
        if (!platform::QueryData(*coordinator, sql, data)) {
            state.SkipWithError(platform::ReportError(nullptr, data, "QueryData failed").c_str());
            return;
        }
        rows = data.asPacket()->rowCount();
    }
    state.counters["rows"] = static_cast<double>(rows);
}

// 10,000 statements of the form saving writes for invoice submissions, over
// 10,000 different documents of two months.
std::vector<std::string> updateStatements(ICoorDisp& coordinator, const char* tick) {
    std::vector<std::string> statements;
    for (const char* ym : {"202412", "202411"}) {
        Variant data;
        if (!platform::QueryData(coordinator,
                                 std::string("select f_hsdwh,f_djh from tb") + ym + "_fptjdzb order by f_djh", data))
            throw std::runtime_error(platform::ReportError(nullptr, data, ""));
        const auto& p = *data.asPacket();
        for (std::size_t r = 0; r < p.rowCount() && statements.size() < 10000; ++r)
            statements.push_back(std::string("update tb") + ym + "_fptjdzb set f_zzse=1234.56,f_zzsl=13,f_zzgdbz='" +
                                 tick + "',f_zzgdrq='2024123117:30:00',f_zzgdrbm='0001' ,f_zzgdrmc='张丽华' " +
                                 "where f_djh = '" + std::string(p.text(r, 1)) + "' and f_Hsdwh='" +
                                 std::string(p.text(r, 0)) + "';");
    }
    return statements;
}

void execBatch10k(benchmark::State& state, std::string location) {
    auto coordinator = openBenchCoordinator(location);
    Variant::Array batches[2];
    for (int k = 0; k < 2; ++k)
        for (auto& s : updateStatements(*coordinator, k ? "0" : "1")) batches[k].emplace_back(s);
    if (batches[0].size() != 10000) {
        state.SkipWithError("the benchmark database has fewer than 10000 documents in two months");
        return;
    }
    int k = 0;
    for (auto _ : state) {
        state.PauseTiming();
        Variant arg{batches[k]};  // ticks and unticks in turn, so every run changes rows
        k ^= 1;
        state.ResumeTiming();
        if (!platform::ExecBatch(*coordinator, arg)) {
            state.SkipWithError(platform::ReportError(nullptr, arg, "ExecBatch failed").c_str());
            return;
        }
    }
    state.counters["statements"] = 10000;
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    const coord::DemoOptions year = benchYear(8334);  // 100,008 invoice submissions over the year
    std::vector<std::pair<std::string, std::string>> backends = {{"SQLite", sqliteDatabase(year)}};
    if (const char* pgUri = std::getenv("TRUNACCOUNT_PG_URI"); pgUri && *pgUri)
        backends.emplace_back("PostgreSQL", postgresDatabase(pgUri, year));
    else
        std::cerr << "PostgreSQL cases skipped: TRUNACCOUNT_PG_URI is not set "
                     "(start a server as ./test does and name it there)\n";
    for (const auto& [backend, location] : backends) {
        benchmark::RegisterBenchmark(("QueryData/InvoiceSubmissions12Months/" + backend).c_str(),
                                     searchInvoiceSubmissions, location)
            ->Unit(benchmark::kMillisecond)
            ->MinTime(2)
            ->UseRealTime();
        benchmark::RegisterBenchmark(("ExecBatch/10kUpdates/" + backend).c_str(), execBatch10k, location)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(6)
            ->UseRealTime();
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
}
