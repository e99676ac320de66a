#pragma once
// cpufreq's scaling_governor takes only a governor the kernel registered:
// where the policy lists them (scaling_available_governors), any other name is
// EINVAL (cpufreq_parse_governor).

#include <string_view>

#include "node_value.h"

namespace kernelfs {

// True for a write to a policy's scaling_governor naming no listed governor.
bool unknown_governor(const Mount& mount, std::string_view path, std::string_view input);

}  // namespace kernelfs
