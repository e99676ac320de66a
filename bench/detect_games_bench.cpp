// Game detection on a large device: 2,000 installed packages against a 4 MiB
// game service dump that names every tenth of them among much similar text.
#include <benchmark/benchmark.h>

#include <string>

#include "display/games.h"
#include "os/text.h"

namespace korvane {
namespace {

constexpr int kPackages = 2000;
constexpr size_t kDumpBytes = 4 << 20;

std::string package_name(int i) { return str_cat("com.vendor", i % 97, ".app", i); }

std::string package_listing() {
    std::string listing;
    for (int i = 0; i < kPackages; ++i) listing += str_cat("package:", package_name(i), "\n");
    return listing;
}

// Near misses (same prefixes, other numbers) make up most of the dump, so a
// search cannot skip ahead on a rare first byte.
std::string game_dump() {
    std::string dump;
    for (int i = 0; dump.size() < kDumpBytes; ++i) {
        const int package = i % kPackages;
        if (package % 10 == 0) {
            dump += str_cat("  Game ", package_name(package), ": mode=2 downscaleFactor=0.7 fps=60\n");
        } else {
            dump += str_cat("  Package com.vendor", package % 97, ".app", package + kPackages, " not a game\n");
        }
    }
    return dump;
}

void detect_games_large(benchmark::State& state) {
    const std::string listing = package_listing();
    const std::string dump = game_dump();
    size_t games = 0;
    for (auto _ : state) {
        games = detect_games(dump, listing).size();
        benchmark::DoNotOptimize(games);
    }
    state.counters["games"] = static_cast<double>(games);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(dump.size()));
}
BENCHMARK(detect_games_large)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace korvane

BENCHMARK_MAIN();
