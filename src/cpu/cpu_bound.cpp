// Per-core caps and the reset of both bounds.
#include <algorithm>
#include <string>
#include <vector>

#include "cpu/core_walk.h"
#include "cpu/cpu_freq.h"
#include "journal/change_gate.h"
#include "journal/node_change.h"
#include "os/output.h"

namespace korvane {
namespace {

constexpr const char* kAvailable = "/cpufreq/scaling_available_frequencies";
constexpr const char* kMaxFreq = "/cpufreq/scaling_max_freq";
constexpr const char* kMinFreq = "/cpufreq/scaling_min_freq";

// What one core is to take: its bounds, each with an empty value when left alone.
struct CoreBounds {
    int index = 0;
    std::string dir;
    std::string min;
    std::string max;
};

// Every core's values are chosen first, so that all the originals are
// recorded with one journal flush before the first write.
void record_bounds(const std::vector<CoreBounds>& cores) {
    std::vector<PlannedChange> planned;
    for (const CoreBounds& core : cores) {
        if (!core.min.empty()) planned.push_back(node_change(core.dir + kMinFreq));
        if (!core.max.empty()) planned.push_back(node_change(core.dir + kMaxFreq));
    }
    record_originals(planned);
}

}  // namespace

Result<void> set_cpu_bound(Bound bound, uint8_t percent) {
    const bool is_max = bound == Bound::max;
    out("[INFO] Setting CPU ", is_max ? "Max" : "Min", " to ", percent, "%...");
    std::vector<CoreBounds> cores;
    int32_t total = walk_cores([&](int index, const std::string& dir) {
        auto target = freq_at_percent(dir + kAvailable, percent);
        if (!target) return;  // nothing to choose from: skipped without a line
        CoreBounds core{index, dir, {}, {}};
        (is_max ? core.max : core.min) = std::move(*target);
        cores.push_back(std::move(core));
    });
    record_bounds(cores);
    int32_t ok = 0;
    for (const CoreBounds& core : cores) {
        auto written = write_node(core.dir + (is_max ? kMaxFreq : kMinFreq), is_max ? core.max : core.min);
        if (written) {
            ++ok;
        } else {
            out("[WARN] Failed to set CPU", core.index, is_max ? " max" : " min", " freq: ", written.error());
        }
    }
    if (ok == 0) return error(str_cat("Failed to set CPU ", is_max ? "max" : "min", " frequency on any core"));
    out("[OK] CPU ", is_max ? "Max" : "Min", " applied to ", ok, "/", total, " cores");
    return success();
}

std::vector<NodeWrite> cpu_bound_writes(Bound bound, uint8_t percent) {
    std::vector<NodeWrite> writes;
    walk_cores([&](int, const std::string& dir) {
        if (auto target = freq_at_percent(dir + kAvailable, percent)) {
            writes.push_back({dir + (bound == Bound::max ? kMaxFreq : kMinFreq), std::move(*target)});
        }
    });
    return writes;
}

std::vector<PlannedChange> cpu_reset_changes() {
    std::vector<PlannedChange> changes;
    walk_cores([&](int, const std::string& dir) {
        changes.push_back(node_change(dir + kMinFreq));
        changes.push_back(node_change(dir + kMaxFreq));
    });
    return changes;
}

Result<void> reset_cpu_frequencies() {
    out("[INFO] Resetting CPU frequencies...");
    std::vector<CoreBounds> cores;
    int32_t total = walk_cores([&](int index, const std::string& dir) {
        auto text = read_node(dir + kAvailable);
        if (!text) return;
        std::vector<uint64_t> freqs = parse_freq_list(*text);
        if (freqs.empty()) return;
        auto [lowest, highest] = std::minmax_element(freqs.begin(), freqs.end());
        cores.push_back({index, dir, std::to_string(*lowest), std::to_string(*highest)});
    });
    record_bounds(cores);
    int32_t ok = 0;
    for (const CoreBounds& core : cores) {
        // The lower bound goes first and its outcome does not matter: the
        // kernel may refuse it while the old upper bound is still below it.
        (void)write_node(core.dir + kMinFreq, core.min);
        auto written = write_node(core.dir + kMaxFreq, core.max);
        if (written) {
            ++ok;
        } else {
            out("[WARN] Failed to reset CPU", core.index, " freq: ", written.error());
        }
    }
    if (ok == 0) return error("Failed to reset CPU frequencies");
    out("[OK] CPU frequencies reset for ", ok, "/", total, " cores");
    return success();
}

}  // namespace korvane
