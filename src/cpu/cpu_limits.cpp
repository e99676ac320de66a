// The vendor limit nodes are locked by their mode alone: nothing is written.
#include <array>

#include "cpu/cpu_freq.h"
#include "journal/change_gate.h"
#include "journal/node_change.h"
#include "os/output.h"

namespace korvane {
namespace {

constexpr std::array<const char*, 2> kLimitNodes = {
    "/sys/power/cpufreq_min_limit",
    "/sys/power/cpufreq_max_limit",
};

}  // namespace

Result<void> disable_cpu_limits() {
    out("[INFO] Removing CPU limits...");
    // Both originals first, with one journal flush; an absent node is passed over.
    record_originals({node_change(kLimitNodes[0]), node_change(kLimitNodes[1])});
    int32_t ok = 0;
    for (const std::string node : kLimitNodes) {
        if (!path_exists(node)) continue;
        auto changed = change_mode(node, 0);
        if (changed) {
            ++ok;
        } else {
            out("[WARN] Failed to set permissions for ", node, ": ", changed.error());
        }
    }
    if (ok == 0) return error("Failed to disable CPU limits");
    out("[OK] CPU limits disabled on ", ok, " paths");
    return success();
}

}  // namespace korvane
