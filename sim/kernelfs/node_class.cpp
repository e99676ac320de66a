#include "node_class.h"

#include <sys/stat.h>

#include <cerrno>

namespace kernelfs {
namespace {

bool under(std::string_view path, std::string_view folder) {
    return path.starts_with(folder) && (path.size() == folder.size() || path[folder.size()] == '/');
}

// Vendor drivers register these with proc_create and no permission hook of
// their own: the ordinary check, where root passes whatever the mode.
constexpr std::string_view kVendorProcFolders[] = {
    "/proc/ppm", "/proc/cpufreq", "/proc/gpufreq", "/proc/gpufreqv2", "/proc/mtk_battery_cmd",
};

constexpr mode_t kAnyRead = S_IRUSR | S_IRGRP | S_IROTH;
constexpr mode_t kAnyWrite = S_IWUSR | S_IWGRP | S_IWOTH;

bool allowed(mode_t mode, mode_t read_bits, mode_t write_bits, bool read, bool write) {
    return (!read || (mode & read_bits) != 0) && (!write || (mode & write_bits) != 0);
}

}  // namespace

NodeClass classify(std::string_view path) {
    if (path == "/") return NodeClass::root;
    if (under(path, "/sys")) return NodeClass::sysfs;
    if (under(path, "/cpuset")) return NodeClass::cgroup;
    if (under(path, "/proc/sys")) return NodeClass::sysctl;
    for (std::string_view folder : kVendorProcFolders) {
        if (under(path, folder)) return NodeClass::vendor_proc;
    }
    if (under(path, "/proc")) return NodeClass::proc;
    return NodeClass::outside;
}

int open_error(NodeClass node, mode_t mode, uid_t caller, bool read, bool write) {
    bool ok = true;
    if (caller != 0) {
        // nodes belong to root: everyone else has the "other" bits
        ok = allowed(mode, S_IROTH, S_IWOTH, read, write);
    } else if (node == NodeClass::sysfs || node == NodeClass::cgroup) {
        // kernfs_fop_open: a node without any write (read) bit refuses
        // writing (reading) before capabilities are looked at
        ok = allowed(mode, kAnyRead, kAnyWrite, read, write);
    } else if (node == NodeClass::sysctl) {
        // proc_sys_permission: the table's mode, root gets the owner bits
        ok = allowed(mode, S_IRUSR, S_IWUSR, read, write);
    }
    return ok ? 0 : EACCES;
}

int setattr_error(NodeClass node, uid_t caller) {
    // proc_sys_setattr refuses mode and owner changes; elsewhere only the
    // owner (root) may make them
    if (node == NodeClass::sysctl || node == NodeClass::root || caller != 0) return EPERM;
    return 0;
}

}  // namespace kernelfs
