#pragma once
// Scheduler tunables whose rules depend on the kernel family
// (kernel_family.h): WALT's per-boundary migration margins, pairs checked
// against the partner's current value, WALT's per-task init load and boost
// type, the ranges of vendor entries, and MediaTek's sysfs boost node.

#include <optional>
#include <string>
#include <string_view>

#include "node_value.h"

namespace kernelfs {

struct SchedStore {
    int error = 0;       // 0 or the errno the writer gets; then nothing changes
    size_t taken = 0;    // the bytes the kernel consumed
    std::string stored;  // the entry's value afterwards, as a read shows it
};

// A write to /proc/sys/`entry` ("walt/sched_upmigrate") that held `current`,
// when the family gives the entry rules of its own; nullopt for an entry
// that follows the plain sysctl rules.
std::optional<SchedStore> sched_sysctl_write(const Mount& mount, std::string_view entry, std::string_view input,
                                             std::string_view current);

// EINVAL when `stored`, as the new value of `entry`, would cross the current
// value of a partner the kernel checks it against; otherwise 0.
int sched_pair_error(const Mount& mount, std::string_view entry, std::string_view stored);

// True for MediaTek's boost node, whose sentence ends with an empty line
// ("sched boost= no boost\n\n").
bool sched_sysfs_sentence(const Mount& mount, std::string_view path);

// A write to a sysfs node of a scheduler driver: 0 or an errno; nullopt for
// any other node.
std::optional<int> sched_sysfs_write(const Mount& mount, std::string_view path, std::string_view input);

}  // namespace kernelfs
