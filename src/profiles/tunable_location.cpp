#include "profiles/tunable_location.h"

#include <string_view>

#include "journal/node_change.h"
#include "os/text.h"

namespace korvane {
namespace {

constexpr std::string_view kKernelDir = "/proc/sys/kernel/";
constexpr std::string_view kWaltDir = "/proc/sys/walt/";
constexpr std::string_view kMtkBoost = "/sys/devices/system/cpu/sched/sched_boost";

// The WALT tunables that moved out of /proc/sys/kernel under the same name.
// sched_init_task_load moved too, but as a per-task "PID PCT" setting that
// a system-wide value cannot fill.
constexpr std::string_view kWaltNames[] = {
    "sched_boost",          "sched_sync_hint_enable", "sched_upmigrate", "sched_downmigrate",
    "sched_group_upmigrate", "sched_group_downmigrate",
};

bool is_walt_name(std::string_view name) {
    for (std::string_view n : kWaltNames) {
        if (n == name) return true;
    }
    return false;
}

}  // namespace

std::string tunable_path(const std::string& kernel_path) {
    std::string_view path = kernel_path;
    if (!path.starts_with(kKernelDir)) return kernel_path;
    std::string_view name = path.substr(kKernelDir.size());
    if (!is_walt_name(name) || path_exists(kernel_path)) return kernel_path;
    std::string walt = str_cat(kWaltDir, name);
    if (path_exists(walt)) return walt;
    if (name == "sched_boost" && path_exists(std::string(kMtkBoost))) return std::string(kMtkBoost);
    return kernel_path;
}

}  // namespace korvane
