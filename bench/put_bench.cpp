// The device_config puts of --perf_sys on Android 14, run one at a time and
// then as the profile runs them, side by side on the simulated phone
// (scripts/bench runs it there with every tool answering in 25 ms). Never on
// this machine: it changes the phone's device_config.
#include <chrono>
#include <cstdio>
#include <vector>

#include "journal/change_policy.h"
#include "journal/concurrent_runner.h"
#include "profiles/device_config_twins.h"

namespace {

using korvane::ToolCommand;

// Milliseconds to run every put `width` at a time; failures are counted in `failed`.
double timed_puts(const std::vector<ToolCommand>& puts, size_t width, size_t& failed) {
    const auto start = std::chrono::steady_clock::now();
    korvane::run_commands_concurrently(puts, width, [&](size_t, const korvane::Result<void>& outcome) {
        if (!outcome) ++failed;
    });
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main() {
    constexpr int32_t kAndroid14 = 34;
    constexpr size_t kProfileWidth = 4;
    // Nothing to undo here: the bench's phone is thrown away.
    korvane::set_change_policy(korvane::ChangePolicy::unrecorded);
    std::vector<ToolCommand> puts;
    for (const korvane::ConfigTwin& twin : korvane::twins_for(kAndroid14)) {
        puts.push_back({"cmd", {"device_config", "put", std::string(twin.ns), std::string(twin.key),
                                korvane::twin_value(twin, korvane::TuningProfile::performance)}});
    }
    size_t failed = 0;
    const double serial = timed_puts(puts, 1, failed);
    const double concurrent = timed_puts(puts, kProfileWidth, failed);
    std::printf("%zu puts one at a time: %.0f ms\n", puts.size(), serial);
    std::printf("%zu puts %zu at a time:  %.0f ms (%.2f of the serial time)\n", puts.size(), kProfileWidth, concurrent,
                concurrent / serial);
    if (failed != 0) std::printf("%zu puts failed\n", failed);
    return failed == 0 ? 0 : 1;
}
