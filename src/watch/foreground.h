// Which app is in front, by the top-app cpuset: of the processes in it, the
// app uids' whose oom_score_adj is 0 (the framework's foreground value; the
// launcher mid-animation, the keyboard and persistent UI have others), named
// by packages.list.
#pragma once

#include <sys/types.h>

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "android/packages_list.h"

namespace korvane {

// The packages of those processes; `proc` is where /proc lies.
std::set<std::string> foreground_packages(const std::vector<pid_t>& pids, const std::string& proc,
                                          const PackageMap& packages);

// The package when exactly one is left; else nothing (ask the event log).
std::optional<std::string> the_one(const std::set<std::string>& packages);

}  // namespace korvane
