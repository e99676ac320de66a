// The GPU's full range back: MTK releases its OPP lock, the others take the
// ends of their frequency list.
#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

#include "gpu/gpu_freq.h"
#include "gpu/gpu_required.h"
#include "journal/change_gate.h"
#include "journal/node_change.h"
#include "os/os_error.h"
#include "os/output.h"

namespace korvane {
namespace {

constexpr std::string_view kV1PinReleased = "gpufreq keep opp frequency disabled";

// mt6768-style v1 drivers free the pin on "0" and still answer EFAULT: their
// own status line says whether the pin is gone.
bool v1_pin_released(const GpuInfo& gpu, const std::string& failure) {
    if (!failure.ends_with(os_error_text(EFAULT))) return false;
    auto status = read_node(gpu.max_node);
    return status && status->find(kV1PinReleased) != std::string::npos;
}

Result<void> reset_mtk(const GpuInfo& gpu) {
    const bool v2 = is_mtk_v2(gpu);
    // v2 takes -1 as "no fixed point"; v1 takes 0, "no kept frequency".
    auto written = write_node(gpu.max_node, v2 ? "-1" : "0");
    if (!written && !v2 && v1_pin_released(gpu, written.error())) written = success();
    if (!written) return error(str_cat("Failed to reset MTK ", v2 ? "v2" : "v1", " GPU: ", written.error()));
    out(v2 ? "[OK] MTK v2 GPU unlocked" : "[OK] MTK v1 GPU reset");
    return success();
}

Result<void> reset_listed_range(const GpuInfo& gpu) {
    if (!path_exists(gpu.freq_source)) return report_error("GPU frequency source not found");
    auto text = read_node(gpu.freq_source);
    if (!text) return error("Cannot read frequency source: " + text.error());
    std::vector<uint64_t> freqs = parse_freq_list(*text);
    if (freqs.empty()) return error("Failed to reset GPU frequencies");
    auto [lowest, highest] = std::minmax_element(freqs.begin(), freqs.end());
    record_originals({node_change(gpu.min_node), node_change(gpu.max_node)});
    // The kernel may refuse the lower bound while the old upper one is below
    // it; only the upper bound decides the outcome.
    (void)write_node(gpu.min_node, std::to_string(*lowest));
    auto written = write_node(gpu.max_node, std::to_string(*highest));
    if (!written) {
        out("[WARN] Failed to set GPU max: ", written.error());
        return error("Failed to reset GPU frequencies");
    }
    out("[OK] GPU frequencies reset");
    return success();
}

}  // namespace

std::vector<PlannedChange> gpu_reset_changes() {
    const GpuInfo gpu = detect_gpu();
    if (gpu.gpu_type.empty()) return {};
    if (is_mtk(gpu)) return {node_change(gpu.max_node)};
    return {node_change(gpu.min_node), node_change(gpu.max_node)};
}

Result<void> reset_gpu_frequencies() {
    auto gpu = detect_gpu_or_report();
    if (!gpu) return drop_value(gpu);
    out("[INFO] Resetting GPU frequencies...");
    if (is_mtk(*gpu)) return reset_mtk(*gpu);
    return reset_listed_range(*gpu);
}

}  // namespace korvane
