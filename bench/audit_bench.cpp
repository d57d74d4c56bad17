// Many accountants at once: 1 and 8 coordinator clients saving and revoking
// random overlapping sets of invoice submissions (1 to 6 a batch, 40 documents
// in all) for a fixed time, with and without the tick audit, on PostgreSQL (when
// TRUNACCOUNT_PG_URI names a server) and SQLite. Reports batches and recorded
// transitions a second; after each run with the audit the audit is checked
// against what the clients sent (no batch in part, one entry per transition,
// the chain verifies).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <iostream>

#include "bench_databases.h"
#include "coordinator/audit.h"
#include "support/tick_load.h"

using namespace trunaccount;
using namespace trunaccount::bench;

namespace {

void concurrentTicks(benchmark::State& state, std::string location, int clients, bool audit) {
    for (auto _ : state) {
        testing::TickLoadOptions o;
        o.location = location;
        o.clients = clients;
        o.duration = std::chrono::seconds(5);
        o.failEvery = 0;
        o.poolSize = 40;
        auto raw = coord::openDatabase(location);
        auto run = testing::runTickLoad(o, testing::tickPool(*raw, o.poolSize, "202411", "202412"));
        state.SetIterationTime(run.seconds);
        // Failed: refused batches (SQLite: a writer that waited longer than its busy timeout).
        std::size_t failed = 0;
        for (const auto& b : run.batches) failed += b.ok ? 0 : 1;
        state.counters["batches/s"] = static_cast<double>(run.batches.size() - failed) / run.seconds;
        state.counters["failed"] = static_cast<double>(failed);
        if (audit) {
            auto check = testing::checkTickLoad(*raw, run);
            state.counters["transitions/s"] = static_cast<double>(check.transitions) / run.seconds;
            if (!check.problems.empty()) {
                state.SkipWithError(("the audit does not hold: " + check.problems.front()).c_str());
                return;
            }
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    std::vector<std::pair<std::string, std::pair<std::string, std::string>>> backends;  // name, (audit, plain)
    coord::DemoOptions withAudit = benchYear(200), plain = benchYear(200);
    plain.audit = false;
    if (const char* pgUri = std::getenv("TRUNACCOUNT_PG_URI"); pgUri && *pgUri)
        backends.push_back({"PostgreSQL", {postgresDatabase(pgUri, withAudit), postgresDatabase(pgUri, plain)}});
    else
        std::cerr << "PostgreSQL cases skipped: TRUNACCOUNT_PG_URI is not set "
                     "(start a server as ./test does and name it there)\n";
    backends.push_back({"SQLite", {sqliteDatabase(withAudit), sqliteDatabase(plain)}});
    for (const auto& [backend, locations] : backends)
        for (int clients : {1, 8})
            for (bool audit : {true, false}) {
                const std::string name = "ConcurrentTicks/" + backend + "/" + std::to_string(clients) + "clients/" +
                                         (audit ? "audit" : "noaudit");
                benchmark::RegisterBenchmark(name.c_str(), concurrentTicks,
                                             audit ? locations.first : locations.second, clients, audit)
                    ->Iterations(1)
                    ->UseManualTime()
                    ->Unit(benchmark::kSecond);
            }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
}
