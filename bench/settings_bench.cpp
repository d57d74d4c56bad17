// What closing and opening a window costs in settings-file time when the host
// keeps a large settings file (10 MB: the sections of many other windows, GBK
// text, Windows line ends): the window's 22 keys (18 columns, 4 lists) written
// key by key, as separate WriteSetting calls would, against one batch; and the
// 22 reads of opening, each its own ReadSetting against one reading.
//
//   settings_bench [--megabytes=N] [benchmark options]
//
// The file lives in a fresh folder under build/bench-data (a real disk, so the
// flushes to disk count).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "data/settings.h"

using namespace trunaccount;

namespace {

int megabytes = 10;

const char* const kKeys[] = {"f_zzgdbz", "f_hsdwh", "f_hsdwmc", "f_zdrhsdwh", "f_Djh",  "f_Gysbm",
                             "f_Csmc",   "f_tdmc",  "f_hsje",   "f_wsje",     "f_zzse", "f_zzsl",
                             "f_zzpjhm", "f_zzZffs", "f_zzyh",  "f_Zzzfrq",   "f_Rzrq", "f_zzgdrq"};
const char* const kLists[] = {"cbywlx", "cbtd", "cbzffs", "cbfkyy"};

std::string folder() {
    static const std::string dir = [] {
        std::string d = std::string(TA_BENCH_DATA_DIR) + "/settings-XXXXXX";
        std::filesystem::create_directories(TA_BENCH_DATA_DIR);
        if (!::mkdtemp(d.data())) std::abort();
        return d + "/";
    }();
    return dir;
}

// A settings file of about `megabytes` MB: many windows' sections with GBK
// names and values, the reconciliation window's section in the middle.
void writeLargeFile() {
    std::string bytes;
    const std::string chinese = "\xD7\xAA\xD5\xCA\xB9\xB4\xB6\xD4";  // 转帐勾对 in GBK
    int section = 0;
    while (bytes.size() < static_cast<std::size_t>(megabytes) * 1024 * 1024) {
        bytes += "[Frm" + std::to_string(section) + chinese + "]\r\n";
        for (int k = 0; k < 40; ++k)
            bytes += "f_key" + std::to_string(k) + "=1," + std::to_string(60 + k) + ";" + chinese + chinese + "\r\n";
        if (++section == 500) {
            bytes += "[FrmTrunAccountInput]\r\n";
            for (const char* key : kKeys) bytes += std::string(key) + "=1,80\r\n";
            for (const char* list : kLists) bytes += std::string(list) + "=0\r\n";
        }
    }
    std::ofstream(folder() + "Quorvexpos.ini", std::ios::binary | std::ios::trunc) << bytes;
}

// The values a close stores; `round` changes the widths so that every close
// has something to write.
std::vector<std::pair<std::string, std::string>> closeValues(int round) {
    std::vector<std::pair<std::string, std::string>> v;
    for (const char* key : kKeys) v.emplace_back(key, "1," + std::to_string(80 + round % 2));
    for (const char* list : kLists) v.emplace_back(list, std::to_string(round % 2));
    return v;
}

void BM_CloseKeyByKey(benchmark::State& state) {
    writeLargeFile();
    int round = 0;
    for (auto _ : state)
        for (const auto& [key, value] : closeValues(++round))
            WriteSetting("Quorvexpos.ini", "FrmTrunAccountInput", key, value, folder());
}
BENCHMARK(BM_CloseKeyByKey)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_CloseOneBatch(benchmark::State& state) {
    writeLargeFile();
    int round = 0;
    for (auto _ : state) {
        SettingsBatch batch("Quorvexpos.ini", folder());
        for (const auto& [key, value] : closeValues(++round)) batch.write("FrmTrunAccountInput", key, value);
        batch.store();
    }
}
BENCHMARK(BM_CloseOneBatch)->Unit(benchmark::kMillisecond);

// Closing with the layout and selections the window opened with.
void BM_CloseOneBatchNothingChanged(benchmark::State& state) {
    writeLargeFile();
    for (auto _ : state) {
        SettingsBatch batch("Quorvexpos.ini", folder());
        for (const auto& [key, value] : closeValues(2)) batch.write("FrmTrunAccountInput", key, value);
        batch.store();
    }
}
BENCHMARK(BM_CloseOneBatchNothingChanged)->Unit(benchmark::kMillisecond);

void BM_OpenReads22(benchmark::State& state) {
    writeLargeFile();
    for (auto _ : state)
        for (const auto& [key, value] : closeValues(0))
            benchmark::DoNotOptimize(ReadSetting("Quorvexpos.ini", "FrmTrunAccountInput", key, "1,0", folder()));
}
BENCHMARK(BM_OpenReads22)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_OpenOneReading(benchmark::State& state) {
    writeLargeFile();
    for (auto _ : state) {
        SettingsReader settings("Quorvexpos.ini", folder());
        for (const auto& [key, value] : closeValues(0))
            benchmark::DoNotOptimize(settings.read("FrmTrunAccountInput", key, "1,0"));
    }
}
BENCHMARK(BM_OpenOneReading)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    std::vector<char*> args;
    for (int i = 0; i < argc; ++i) {
        if (std::strncmp(argv[i], "--megabytes=", 12) == 0) megabytes = std::atoi(argv[i] + 12);
        else args.push_back(argv[i]);
    }
    int n = static_cast<int>(args.size());
    benchmark::Initialize(&n, args.data());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(folder());
    return 0;
}
