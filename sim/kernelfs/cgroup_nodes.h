#pragma once
// The cpuset hierarchy (cgroup v1, mounted at /dev/cpuset, served as /cpuset):
// every group folder has `tasks` (thread ids) and `cgroup.procs` (thread
// group ids). Membership lives in each group's `tasks` backing file; a
// cgroup.procs read is worked out from it. A write of an id moves the thread
// (tasks) or its whole thread group (cgroup.procs) out of every other group
// into this one, as cgroup1_procs_write does; "0" is the writer itself. The
// phone's processes are those with a /proc/PID folder in the state, their
// threads the entries of /proc/PID/task.

#include <sys/types.h>

#include <string_view>

#include "backing.h"
#include "node_value.h"

namespace kernelfs {

bool is_membership_file(std::string_view path);

// The sorted ids, one a line.
Text show_members(const Mount& mount, std::string_view path);

// 0, EINVAL (not a number) or ESRCH (no such thread).
int move_members(const Mount& mount, std::string_view path, std::string_view input, pid_t writer);

}  // namespace kernelfs
