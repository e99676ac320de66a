#pragma once
// The frequency limits a kernel keeps when a cpufreq policy's
// scaling_max_freq or scaling_min_freq is written (drivers/cpufreq/cpufreq.c).

#include <optional>
#include <string_view>
#include <vector>

#include "kernel_generation.h"

namespace kernelfs {

enum class Bound { min, max };

struct Limits {
    unsigned long hardware_min = 0;         // cpuinfo_min_freq
    unsigned long hardware_max = ~0UL;      // cpuinfo_max_freq
    unsigned long min = 0;                  // the limits in force
    unsigned long max = ~0UL;
    std::vector<unsigned long> listed;      // available frequencies, any order
};

struct LimitChange {
    int error = 0;  // 0 or EINVAL; then the limits stay
    unsigned long min = 0, max = 0;
};

// A cpufreq policy's limits after "input" is written to the `bound` file.
LimitChange cpufreq_limit_write(const Limits& now, Bound bound, std::string_view input,
                                KernelGeneration generation);

// A frequency as the kernel's sscanf("%u") reads it; nullopt when there is none.
std::optional<unsigned long> parse_frequency(std::string_view text);

}  // namespace kernelfs
