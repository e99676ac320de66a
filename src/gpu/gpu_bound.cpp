// Upper and lower GPU bounds: an OPP index on MTK v2, the kHz of an OPP on
// MTK v1, a listed frequency elsewhere.
#include <string>

#include "gpu/gpu_freq.h"
#include "gpu/gpu_required.h"
#include "gpu/opp_index.h"
#include "journal/node_change.h"
#include "os/output.h"

namespace korvane {
namespace {

Result<void> set_mtk_opp(const GpuInfo& gpu, uint8_t percent) {
    // Only the newer interface checks for its table and reports a bad read.
    const bool v2 = is_mtk_v2(gpu);
    if (v2 && !path_exists(gpu.freq_source)) return report_error("No OPP table found");
    auto table = read_node(gpu.freq_source);
    if (!table) {
        std::string text = "Cannot read OPP table: " + table.error();
        if (v2) return report_error(text);
        return error(text);
    }
    uint64_t lines = opp_line_count(*table);
    if (lines == 0) return report_error("Empty OPP table");
    uint64_t index = v2 ? mtk_v2_opp_index(lines, percent) : mtk_v1_opp_index(lines, percent);
    std::string value = std::to_string(index);
    if (!v2) {
        // v1 pins a frequency of its table, in kHz; an index is ignored
        auto khz = mtk_v1_opp_khz(*table, index);
        if (!khz) return error(str_cat("Cannot read OPP table: line ", index, " has no frequency"));
        value = std::to_string(*khz);
    }
    auto written = write_node(gpu.max_node, value);
    if (!written) return error("Failed to write OPP index: " + written.error());
    out("[OK] MTK ", v2 ? "v2" : "v1", " OPP ", index, " applied");
    return success();
}

Result<void> set_listed_frequency(const GpuInfo& gpu, Bound bound, uint8_t percent) {
    auto freq = freq_at_percent(gpu.freq_source, percent);
    if (!freq) return report_error(str_cat("No frequency found for ", percent, "%"));
    const bool is_max = bound == Bound::max;
    auto written = write_node(is_max ? gpu.max_node : gpu.min_node, *freq);
    if (!written) {
        return error(str_cat("Failed to set GPU ", is_max ? "max" : "min", " frequency: ", written.error()));
    }
    out("[OK] GPU ", is_max ? "Max" : "Min", " frequency set to ", *freq);
    return success();
}

}  // namespace

std::optional<NodeWrite> gpu_max_write(uint8_t percent) {
    GpuInfo gpu = detect_gpu();
    if (gpu.gpu_type.empty() || gpu.max_node.empty()) return std::nullopt;
    if (!is_mtk(gpu)) {
        auto freq = freq_at_percent(gpu.freq_source, percent);
        if (!freq) return std::nullopt;
        return NodeWrite{gpu.max_node, *freq};
    }
    auto table = read_node(gpu.freq_source);
    if (!table) return std::nullopt;
    uint64_t lines = opp_line_count(*table);
    if (lines == 0) return std::nullopt;
    if (is_mtk_v2(gpu)) return NodeWrite{gpu.max_node, std::to_string(mtk_v2_opp_index(lines, percent))};
    auto khz = mtk_v1_opp_khz(*table, mtk_v1_opp_index(lines, percent));
    if (!khz) return std::nullopt;
    return NodeWrite{gpu.max_node, std::to_string(*khz)};
}

Result<void> set_gpu_bound(Bound bound, uint8_t percent) {
    auto gpu = detect_gpu_or_report();
    if (!gpu) return drop_value(gpu);
    if (bound == Bound::max) {
        out("[INFO] Setting GPU Max to ", percent, "%");
        if (is_mtk(*gpu)) return set_mtk_opp(*gpu, percent);
        return set_listed_frequency(*gpu, bound, percent);
    }
    out("[INFO] Setting GPU Min to ", percent, "%");
    if (is_mtk_v2(*gpu)) {
        out("[ERROR] MTK v2 does not support min frequency control");
        out("[INFO] Use --gpu_max instead");
        return error("MTK v2 does not support min frequency control");
    }
    if (gpu->min_node.empty()) return report_error("GPU min node not found");
    return set_listed_frequency(*gpu, bound, percent);
}

}  // namespace korvane
