// The reference coordinator under the load of a year of documents:
//   - QueryData of the invoice submission search over 12 months (100k invoice
//     submissions in total): the floor the window's search is measured against;
//   - ExecBatch of 10k update statements in one transaction.
// Both on SQLite and, when TRUNACCOUNT_PG_URI names a server, on PostgreSQL.
// The databases are made once and kept: the SQLite file in the build folder,
// the PostgreSQL database on the server, under a name that says what they hold.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>

#include "coordinator/demo_data.h"
#include "coordinator/demo_schema.h"
#include "coordinator/postgres_database.h"
#include "coordinator/reference_coordinator.h"
#include "platform/coordinator_calls.h"
#include "reconcile/document_query.h"

using namespace trunaccount;

namespace {

coord::DemoOptions benchDemo() {
    coord::DemoOptions o;
    o.today = "20241231";
    o.months = 12;
    o.docsPerMonth = 8334;  // 100,008 invoice submissions over the year
    o.seed = 1;
    return o;
}

// Names what the kept databases hold: the options and the schema they were
// made with (a changed schema makes new ones).
std::string demoTag() {
    std::uint32_t hash = 2166136261u;  // FNV-1a over the schema's text
    auto add = [&](const coord::TableDef& t) {
        for (char ch : t.createSql()) hash = (hash ^ static_cast<unsigned char>(ch)) * 16777619u;
    };
    for (const auto& t : coord::fixedTables()) add(t);
    for (const auto& t : coord::monthlyTables("202401")) add(t);
    char schema[16];
    std::snprintf(schema, sizeof schema, "%08x", hash);
    auto o = benchDemo();
    return o.today + "_" + std::to_string(o.months) + "_" + std::to_string(o.docsPerMonth) + "_" +
           std::to_string(o.seed) + "_" + schema;
}

void fill(coord::Database& db, const std::string& where) {
    std::cerr << "creating the benchmark database " << where << " (once) ..." << std::flush;
    auto t0 = std::chrono::steady_clock::now();
    auto summary = coord::createDemoDatabase(db, benchDemo());
    std::cerr << " " << summary.totalRows() << " rows in "
              << std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count() << " s\n";
}

std::string sqliteDatabase() {
    std::filesystem::create_directories(TA_BENCH_DATA_DIR);
    std::string path = std::string(TA_BENCH_DATA_DIR) + "/demo_" + demoTag() + ".sqlite";
    if (!std::filesystem::exists(path)) {
        std::string partial = path + ".partial";
        std::filesystem::remove(partial);
        {
            auto db = coord::openDatabase(partial, coord::OpenMode::Create);
            fill(*db, partial);
        }
        std::filesystem::rename(partial, path);
    }
    return path;
}

std::string postgresDatabase(const std::string& adminUri) {
    const std::string name = "ta_bench_" + demoTag();
    const std::string uri = coord::postgresUriWithDatabase(adminUri, name);
    auto admin = coord::openDatabase(adminUri);
    auto exists = admin->query("select count(*) from pg_database where datname='" + name + "'");
    if (exists->integerValue(0, 0) == 0) {
        admin->execute("create database " + name);
        try {
            auto db = coord::openDatabase(uri);
            fill(*db, coord::postgresUriForDisplay(uri));
            db->execute("analyze");
        } catch (...) {
            admin->execute("drop database if exists " + name + " with (force)");
            throw;
        }
    }
    return uri;
}

CoordinatorRef open(const std::string& location) {
    coord::CoordinatorOptions o;
    o.database = location;
    o.fixedClock = "20241231 17:30:00";
    return coord::openCoordinator(o);
}

void searchInvoiceSubmissions(benchmark::State& state, std::string location) {
    auto coordinator = open(location);
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
    auto coordinator = open(location);
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
    std::vector<std::pair<std::string, std::string>> backends = {{"SQLite", sqliteDatabase()}};
    if (const char* pgUri = std::getenv("TRUNACCOUNT_PG_URI"); pgUri && *pgUri)
        backends.emplace_back("PostgreSQL", postgresDatabase(pgUri));
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
