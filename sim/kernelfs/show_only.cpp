#include "show_only.h"

namespace kernelfs {
namespace {

// By the attribute's name, wherever it sits under /sys.
constexpr std::string_view kShowOnlyNames[] = {
    // cpufreq policies
    "affected_cpus", "cpuinfo_cur_freq", "cpuinfo_max_freq", "cpuinfo_min_freq", "cpuinfo_transition_latency",
    "related_cpus", "scaling_available_frequencies", "scaling_available_governors", "scaling_cur_freq",
    "scaling_driver",
    // devfreq (Adreno) and Mali
    "available_frequencies", "available_governors", "cur_freq", "gpuinfo", "trans_stat",
};

// By the folder the attribute sits in: every attribute there is show-only.
constexpr std::string_view kShowOnlyFolders[] = {"/health_descriptor/", "/topology/"};

// power_supply properties that no driver here marks writeable.
constexpr std::string_view kPowerSupplyReadOnly[] = {
    "capacity", "charge_type", "current_now", "health", "online", "present", "status", "technology", "temp",
    "type", "voltage_now",
};

}  // namespace

bool show_only(std::string_view path) {
    std::string_view name = path.substr(path.rfind('/') + 1);
    for (std::string_view n : kShowOnlyNames) {
        if (n == name) return true;
    }
    for (std::string_view folder : kShowOnlyFolders) {
        if (path.find(folder) != std::string_view::npos) return true;
    }
    if (path.starts_with("/sys/class/power_supply/")) {
        for (std::string_view n : kPowerSupplyReadOnly) {
            if (n == name) return true;
        }
    }
    return false;
}

}  // namespace kernelfs
