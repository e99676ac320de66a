#pragma once
// CPU hotplug (drivers/base/cpu.c, drivers/cpufreq/cpufreq.c): cpuN/online
// takes a boolean (kstrtobool: 1/0, y/n, on/off; EINVAL otherwise); an
// offline core has no cpufreq folder; a policy whose cores are all offline
// refuses writes (EINVAL on 4.x, EBUSY later); the global `online` shows the
// cores that are up as a range list and takes no writes.

#include <string_view>

#include "node_value.h"

namespace kernelfs {

// True for a core's cpufreq entry, or anything below it, while that core is offline.
bool hidden_by_hotplug(const Mount& mount, std::string_view path);

// True for cpuN/online, which store_cpu_online takes.
bool is_core_online_node(std::string_view path);
int store_cpu_online(const Mount& mount, std::string_view path, std::string_view input);

// 0, or the errno a write below a policy whose cores are all offline gets.
int offline_policy_error(const Mount& mount, std::string_view path);

// The global online list ("0-3,5-7").
Text show_online_cores(const Mount& mount, std::string_view path);

}  // namespace kernelfs
