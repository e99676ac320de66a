// The text parsers at the sizes a phone gives them and far beyond: frequency
// lists, the choice of a frequency, OPP tables, hex codes and the configuration.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "config/config_reader.h"
#include "gpu/opp_index.h"
#include "os/node.h"
#include "os/text.h"

namespace korvane {
namespace {

// "300000 345600 ..." with `count` frequencies, shuffled by a fixed stride so
// that sorting has work to do, and a trailing newline as the kernel writes it.
std::string freq_list(int64_t count) {
    std::string text;
    for (int64_t i = 0; i < count; ++i) {
        const int64_t step = (i * 7919) % count;
        text += str_cat(300000 + step * 38400, i + 1 < count ? " " : "\n");
    }
    return text;
}

// A gpufreq OPP table: one "[index] freq = ..., volt = ..." line per point.
std::string opp_table(int64_t lines) {
    std::string text;
    for (int64_t i = 0; i < lines; ++i) {
        text += str_cat("[", i, "] freq = ", 900000 - i * 1000, ", volt = ", 80000 - i * 10, ", vsram = 80000\n");
    }
    return text;
}

void parse_freq_list_bench(benchmark::State& state) {
    const std::string text = freq_list(state.range(0));
    for (auto _ : state) benchmark::DoNotOptimize(parse_freq_list(text));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
// 15 and 32 are real cores; 100,000 is a stress size.
BENCHMARK(parse_freq_list_bench)->Arg(15)->Arg(32)->Arg(100000);

// What choosing a frequency costs once the node is read: parse, sort, index.
void select_freq_bench(benchmark::State& state) {
    const std::string text = freq_list(state.range(0));
    for (auto _ : state) {
        std::vector<uint64_t> freqs = parse_freq_list(text);
        std::sort(freqs.begin(), freqs.end());
        benchmark::DoNotOptimize(freqs[index_at_percent(freqs.size(), 80)]);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(select_freq_bench)->Arg(15)->Arg(100000);

void opp_line_count_bench(benchmark::State& state) {
    const std::string table = opp_table(state.range(0));
    for (auto _ : state) benchmark::DoNotOptimize(opp_line_count(table));
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(table.size()));
}
BENCHMARK(opp_line_count_bench)->Arg(32)->Arg(100000);

// The code sits at the end of a long text where every fourth byte is a "0"
// not followed by "x", so the search stops often without a match.
void find_hex_code_bench(benchmark::State& state) {
    std::string text;
    while (text.size() < static_cast<size_t>(state.range(0))) text += "100 ";
    text += "0x0B\n";
    for (auto _ : state) benchmark::DoNotOptimize(find_hex_code(text));
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}
BENCHMARK(find_hex_code_bench)->Arg(8)->Arg(1 << 20);

void parse_config_typical(benchmark::State& state) {
    const std::string text = R"({
  "utility_tool": {"gms_auto": true, "clear_ram": true, "surface_flinger": false},
  "battery_saving": {"bypass_charging": false, "fast_charge": true},
  "downscaling": {"scale": 0.7}
})";
    for (auto _ : state) benchmark::DoNotOptimize(parse_config(text).ok());
}
BENCHMARK(parse_config_typical);

// A 1 MiB file of unknown keys around the real records: all of it is read.
void parse_config_large(benchmark::State& state) {
    std::string text = R"({"utility_tool": {"gms_auto": true}, "extra": [)";
    while (text.size() < (1 << 20)) text += R"({"name": "plugin", "values": [1, 2.5, "three", null, false]}, )";
    text += R"(0], "downscaling": {"scale": 0.5}})";
    for (auto _ : state) {
        auto config = parse_config(text);
        if (!config) state.SkipWithError(config.error().c_str());
        benchmark::DoNotOptimize(config.ok());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}
BENCHMARK(parse_config_large)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace korvane
