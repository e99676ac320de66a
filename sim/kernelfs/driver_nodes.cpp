#include "driver_nodes.h"

#include <cerrno>

#include "charger_nodes.h"
#include "cpu_hotplug.h"
#include "gpufreq_nodes.h"
#include "mali_limits.h"

namespace kernelfs {
namespace {

int store_nothing(const Mount& mount, std::string_view path, std::string_view input);

// clang-format off
constexpr DriverNode kDriverNodes[] = {
    {"/proc/gpufreq/gpufreq_opp_freq",          show_gpufreq_v1_keep,   store_gpufreq_v1_keep},
    {"/proc/gpufreqv2/fix_target_opp_index",    show_gpufreq_v2_fix,    store_gpufreq_v2_fix},
    {"/proc/mtk_battery_cmd/current_cmd",       show_battery_cmd,       store_battery_cmd},
    {"/sys/kernel/fast_charge/force_fast_charge", show_plain_flag,      store_newline_flag},
    {"/sys/devices/system/cpu/online",          show_online_cores,      store_nothing},
    {"/sys/devices/platform/1c500000.mali/scaling_max_freq", show_mali_limit, store_mali_max},
    {"/sys/devices/platform/1c500000.mali/scaling_min_freq", show_mali_limit, store_mali_min},
};
// clang-format on

// A show-only attribute reached with a write bit back: no store method.
int store_nothing(const Mount&, std::string_view, std::string_view) { return EIO; }

}  // namespace

const DriverNode* driver_node(std::string_view path) {
    for (const DriverNode& node : kDriverNodes) {
        if (node.path == path) return &node;
    }
    return nullptr;
}

bool driver_variant(const Mount& mount, std::string_view name) {
    Text t = read_backing(mount.state + "/drivers");
    for (std::string_view rest = t.text; !rest.empty();) {
        size_t end = rest.find('\n');
        if (rest.substr(0, end) == name) return true;
        if (end == std::string_view::npos) break;
        rest.remove_prefix(end + 1);
    }
    return false;
}

}  // namespace kernelfs
