#pragma once
// Which kernel interface a path of the mount belongs to, and who may open,
// change the mode of, or create what there. The mount's root holds `sys`,
// `proc` and, when the phone has one, `cpuset`; paths are the phone's own
// ("/sys/...", "/proc/..."), but for the cpuset mount ("/cpuset/...").

#include <sys/types.h>

#include <cerrno>

#include <string_view>

namespace kernelfs {

enum class NodeClass {
    root,         // the mount's root: only sys and proc
    sysfs,        // /sys (kernfs)
    cgroup,       // the cpuset hierarchy, /dev/cpuset on the phone (kernfs too)
    sysctl,       // /proc/sys
    vendor_proc,  // procfs nodes of vendor drivers: /proc/ppm, /proc/gpufreq, ...
    proc,         // the rest of /proc
    outside,      // not served
};

NodeClass classify(std::string_view path);

// 0 or the errno an open of a node with this mode gets, for the caller the
// mount serves (uid 0 or an unprivileged one).
int open_error(NodeClass node, mode_t mode, uid_t caller, bool read, bool write);

// 0 or the errno of a mode or owner change.
int setattr_error(NodeClass node, uid_t caller);

// Neither sysfs nor procfs lets anyone create a file, a folder or a link, or
// remove one. A new name under /proc fails already at procfs's lookup, with
// ENOENT; sysfs's lookup leaves it to the create, which it lacks: an open with
// O_CREAT gets `refusal` EACCES, a mkdir, mknod or link EPERM.
inline int create_error(NodeClass node, int refusal) {
    return node == NodeClass::sysfs || node == NodeClass::cgroup ? refusal : ENOENT;
}
inline constexpr int kNamespaceError = EPERM;

}  // namespace kernelfs
