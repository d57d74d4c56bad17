// Matching a bank statement against the documents the window lists:
//   - 10,000 statement lines made from a year of invoice submissions of the
//     benchmark database (about 100,000 listed documents on SQLite), with the
//     truth known (coordinator/demo_statement.h): payments of one document and
//     of several, names as banks write them, references present and absent,
//     payments of documents of another accounting unit (not listed), bank fees,
//     movements listed twice, money in;
//   - the time of matchStatement (indexes, evidence, splits, the assignment);
//   - counters: precision among the proposals scoring at least 0.9 (the
//     default of "全部接受"), recall of the lines that pay listed documents, at
//     that threshold and at any score, the groups assigned greedily.
// Every document of the year is taken as open, so that 100k are listed.
#include <benchmark/benchmark.h>

#include <chrono>
#include <iostream>
#include <map>

#include "bench_databases.h"
#include "coordinator/demo_statement.h"
#include "dataset/client_dataset.h"
#include "platform/coordinator_calls.h"
#include "reconcile/document_query.h"
#include "reconcile/row_set.h"
#include "reconcile/statement_candidates.h"

using namespace trunaccount;

namespace {

std::vector<MatchDocument> yearOfDocuments(ICoorDisp& coordinator, const std::string& unit) {
    DocumentSearch search;
    search.startDate = "20240101";
    search.endDate = "20241231";
    search.type = BusinessType::InvoiceSubmission;
    search.tickState = TickState::All;
    search.unit = unit;
    Variant data;
    if (!platform::QueryData(coordinator, buildDocumentQuery(search), data))
        throw std::runtime_error(platform::ReportError(nullptr, data, "the document search failed"));
    ClientDataSet rows("cdspass");
    defineReconciliationFields(rows);
    rows.loadPacket(*data.asPacket());
    auto docs = matchCandidates(rows, false).documents;
    if (auto problem = loadInvoiceNumbers(coordinator, BusinessType::InvoiceSubmission, docs, unit); !problem.empty())
        throw std::runtime_error(problem);
    return docs;
}

struct Data {
    std::vector<MatchDocument> listed;
    std::vector<coord::GeneratedLine> generated;
    std::vector<statement::StatementLine> lines;
};
Data* data = nullptr;

void quality(benchmark::State& state, const std::vector<LineMatch>& result, const MatchStats& stats) {
    std::size_t matchable = 0, proposed = 0, correctProposed = 0, correctAny = 0;
    std::map<std::string, std::array<std::size_t, 4>> byKind;  // lines, at 0.9, correct at 0.9, correct any
    for (std::size_t i = 0; i < result.size(); ++i) {
        const auto& g = data->generated[i];
        std::vector<std::string> numbers;
        for (auto d : result[i].proposal.documents) numbers.push_back(data->listed[d].number);
        std::sort(numbers.begin(), numbers.end());
        const bool matched = result[i].status == MatchStatus::Matched;
        const bool high = matched && result[i].proposal.score >= 0.9;
        const bool right = matched && !g.truth.empty() && numbers == g.truth;
        auto& k = byKind[g.kind];
        ++k[0];
        if (!g.truth.empty()) ++matchable;
        if (high) ++proposed, ++k[1];
        if (high && right) ++correctProposed, ++k[2];
        if (right) ++correctAny, ++k[3];
    }
    state.counters["lines"] = static_cast<double>(result.size());
    state.counters["listed"] = static_cast<double>(data->listed.size());
    state.counters["matchable"] = static_cast<double>(matchable);
    state.counters["precision_at_0.9"] = proposed ? static_cast<double>(correctProposed) / static_cast<double>(proposed) : 1.0;
    state.counters["recall_at_0.9"] = static_cast<double>(correctProposed) / static_cast<double>(matchable);
    state.counters["recall_any_score"] = static_cast<double>(correctAny) / static_cast<double>(matchable);
    state.counters["groups"] = static_cast<double>(stats.groups);
    state.counters["greedy_groups"] = static_cast<double>(stats.greedyGroups);
    state.counters["largest_group"] = static_cast<double>(stats.largestGroup);
    for (const auto& [kind, k] : byKind)
        std::cerr << "  " << kind << ": " << k[0] << " lines, " << k[1] << " proposed at 0.9, " << k[2]
                  << " of them right, " << k[3] << " right at any score\n";
}

void MatchStatement(benchmark::State& state) {
    std::vector<LineMatch> result;
    MatchStats stats;
    for (auto _ : state) {
        result = matchStatement(data->lines, data->listed, MoneyDirection::Outgoing, {}, &stats);
        benchmark::DoNotOptimize(result.data());
    }
    quality(state, result, stats);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    Data d;
    try {
        // 11,670 invoice submissions a month: about 100k listed for the year.
        auto coordinator = bench::openBenchCoordinator(bench::sqliteDatabase(bench::benchYear(11670)));
        const auto t0 = std::chrono::steady_clock::now();
        d.listed = yearOfDocuments(*coordinator, "1001");
        // Documents of another accounting unit: paid from the same account, never listed.
        const auto unlisted = yearOfDocuments(*coordinator, "1002");
        std::cerr << "loaded " << d.listed.size() << " listed and " << unlisted.size() << " unlisted documents in "
                  << std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count() << " s\n";
        d.generated = coord::generateStatement(d.listed, unlisted, MoneyDirection::Outgoing, 10000, 2024);
        for (const auto& g : d.generated) d.lines.push_back(g.line);
    } catch (const std::exception& e) {
        std::cerr << "match_bench: " << e.what() << "\n";
        return 1;
    }
    data = &d;
    benchmark::RegisterBenchmark("MatchStatement/10kLines/100kDocuments", MatchStatement)
        ->Unit(benchmark::kMillisecond)
        ->MinTime(2)
        ->UseRealTime();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
