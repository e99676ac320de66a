#pragma once
// The kernel generations whose node rules differ (cpufreq, devfreq, sysctl
// ranges), as a profile's `kernel` file names them: "4.19", "5.10", "5.15".

#include <string_view>

namespace kernelfs {

enum class KernelGeneration {
    v4,       // 4.x: out-of-order limits are refused, values are clamped
    v5_4,     // 5.4-5.12: limits are requests, min follows max down
    v5_15,    // 5.13 and later: limits resolve to listed frequencies
};

// "MAJOR.MINOR[...]"; anything unreadable counts as 5.10, the common Android kernel.
KernelGeneration parse_kernel_generation(std::string_view version);

}  // namespace kernelfs
