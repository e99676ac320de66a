// Nodes that read back a report rather than the value written to them: an
// undo cannot write what it read, so it writes the value that frees the node.
// MediaTek's current_cmd is none of them: it reads back the two numbers last
// written, so it is compared and put back as a plain value.
#pragma once

#include <optional>
#include <string_view>

namespace korvane {

struct ReportNode {
    std::string_view path;
    std::string_view default_value;
};

// clang-format off
inline constexpr ReportNode kReportNodes[] = {
    {"/proc/gpufreqv2/fix_target_opp_index", "-1"},   // reads a status sentence; -1 unpins
    {"/proc/gpufreq/gpufreq_opp_freq",       "0"},    // reads the OPP state; 0 unpins
    {"/sys/devices/system/cpu/sched/sched_boost", "0"},  // reads a sentence; 0 is no boost
};
// clang-format on

// The value that frees the node at `path`, or nothing for a node that reads
// back its value.
inline std::optional<std::string_view> report_node_default(std::string_view path) {
    for (const ReportNode& node : kReportNodes) {
        if (node.path == path) return node.default_value;
    }
    return std::nullopt;
}

}  // namespace korvane
