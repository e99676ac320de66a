// Per-core caps and the reset of both bounds.
#include <algorithm>
#include <string>
#include <vector>

#include "cpu/core_walk.h"
#include "cpu/cpu_freq.h"
#include "sys/node.h"
#include "sys/output.h"

namespace korvane {
namespace {

constexpr const char* kAvailable = "/cpufreq/scaling_available_frequencies";
constexpr const char* kMaxFreq = "/cpufreq/scaling_max_freq";
constexpr const char* kMinFreq = "/cpufreq/scaling_min_freq";

}  // namespace

Result<void> set_cpu_bound(Bound bound, uint8_t percent) {
    const bool is_max = bound == Bound::max;
    out("[INFO] Setting CPU ", is_max ? "Max" : "Min", " to ", percent, "%...");
    int32_t ok = 0;
    int32_t total = walk_cores([&](int index, const std::string& dir) {
        auto target = freq_at_percent(dir + kAvailable, percent);
        if (!target) return;  // nothing to choose from: skipped without a line
        auto written = write_node(dir + (is_max ? kMaxFreq : kMinFreq), *target);
        if (written) {
            ++ok;
        } else {
            out("[WARN] Failed to set CPU", index, is_max ? " max" : " min", " freq: ", written.error());
        }
    });
    if (ok == 0) return error(str_cat("Failed to set CPU ", is_max ? "max" : "min", " frequency on any core"));
    out("[OK] CPU ", is_max ? "Max" : "Min", " applied to ", ok, "/", total, " cores");
    return success();
}

Result<void> reset_cpu_frequencies() {
    out("[INFO] Resetting CPU frequencies...");
    int32_t ok = 0;
    int32_t total = walk_cores([&](int index, const std::string& dir) {
        auto text = read_node(dir + kAvailable);
        if (!text) return;
        std::vector<uint64_t> freqs = parse_freq_list(*text);
        if (freqs.empty()) return;
        auto [lowest, highest] = std::minmax_element(freqs.begin(), freqs.end());
        // The lower bound goes first and its outcome does not matter: the
        // kernel may refuse it while the old upper bound is still below it.
        (void)write_node(dir + kMinFreq, std::to_string(*lowest));
        auto written = write_node(dir + kMaxFreq, std::to_string(*highest));
        if (written) {
            ++ok;
        } else {
            out("[WARN] Failed to reset CPU", index, " freq: ", written.error());
        }
    });
    if (ok == 0) return error("Failed to reset CPU frequencies");
    out("[OK] CPU frequencies reset for ", ok, "/", total, " cores");
    return success();
}

}  // namespace korvane
