#pragma once
// From 5.4 a written scaling_min_freq/scaling_max_freq (cpufreq) or
// min_freq/max_freq (devfreq) is a QoS request that stays as written; the
// node shows the aggregate the kernel derives from all of them. The requests
// are kept in the state's qos/ folder, outside the served tree, so that no
// listing shows them; a reboot drops them with the rest of the kernel's state.

#include <optional>
#include <string_view>

#include "node_value.h"

namespace kernelfs {

std::optional<unsigned long> read_request(const Mount& mount, std::string_view dir, std::string_view name);
int write_request(const Mount& mount, std::string_view dir, std::string_view name, unsigned long value);

}  // namespace kernelfs
