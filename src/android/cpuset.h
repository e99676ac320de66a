// The cpuset hierarchy where the framework puts the app in front: its
// top-app group (written through cgroup.procs on 13-16, per thread through
// tasks on 7-12) and the background group a service moves itself into.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvane {

// Where the cpuset hierarchy is mounted, read from /proc/mounts text (a
// vendor cgroups.json may move it): a "cpuset" mount, or a "cgroup" one with
// the cpuset option. Nothing when there is none.
std::optional<std::string> cpuset_mount_in(std::string_view proc_mounts);

// The mount whose top-app group exists on this phone (/dev/cpuset when
// /proc/mounts cannot tell); nothing on a phone without cpusets.
std::optional<std::string> find_cpuset();

inline std::string top_app_procs(const std::string& mount) { return mount + "/top-app/cgroup.procs"; }
inline std::string top_app_tasks(const std::string& mount) { return mount + "/top-app/tasks"; }
inline std::string background_procs(const std::string& mount) { return mount + "/background/cgroup.procs"; }

// The process ids of a cgroup.procs text, one decimal per line; other lines
// are passed over.
std::vector<pid_t> parse_pids(std::string_view text);

}  // namespace korvane
