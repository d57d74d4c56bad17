// The month expansion and settings access that every search and every window
// opening go through.
#include <benchmark/benchmark.h>

#include "data/ini_file.h"
#include "data/text_functions.h"

using namespace trunaccount;

static void BM_ExpandMonthTables12(benchmark::State& state) {
    std::string q(1500, 'x');
    q += " from tb000000_fptjdzb z left join tb000000_ygys y left join tb000000_fptjdcb c ";
    for (auto _ : state) benchmark::DoNotOptimize(ExpandMonthTables(q, "202401", "202412", false));
}
BENCHMARK(BM_ExpandMonthTables12);

static void BM_IniLookup(benchmark::State& state) {
    std::string text = "[ColorOption]\nbackcolor=1\n";
    for (int s = 0; s < 4; ++s) {
        text += "[Section" + std::to_string(s) + "]\n";
        for (int k = 0; k < 20; ++k) text += "f_key" + std::to_string(k) + "=1,80\n";
    }
    for (auto _ : state) {
        auto doc = IniDocument::parse(text);
        benchmark::DoNotOptimize(doc.value("section3", "F_KEY19"));
    }
}
BENCHMARK(BM_IniLookup);
