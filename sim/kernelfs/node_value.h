#pragma once
// What a node shows when read and what a write leaves in it. The backing file
// holds the value without the newline the kernel adds when showing it: a
// write of "1\n" stores "1", which reads back as "1\n". Vendor procfs nodes
// keep the value as written too; only sysfs and /proc/sys apply rules to it.

#include <string>
#include <string_view>

#include "backing.h"
#include "kernel_family.h"
#include "kernel_generation.h"
#include "node_class.h"

namespace kernelfs {

struct Mount {
    std::string state;  // the state folder: sys/, proc/ and android/ below it
    KernelGeneration generation = KernelGeneration::v5_4;
    KernelFamily family = KernelFamily::none;  // whose scheduler tunables the phone has
    int hz = 250;       // the kernel's tick rate (CONFIG_HZ; GKI's is 250)
    uid_t caller = 0;   // the one identity every run of the phone has

    std::string backing(std::string_view path) const { return state + std::string(path); }
};

// The bytes a read at `offset` sees, or an errno.
Text read_node(const Mount& mount, NodeClass node, std::string_view path, size_t offset, size_t size);

struct Written {
    int error = 0;     // 0 or the errno the writer gets
    size_t taken = 0;  // the bytes write() reports taken
};

// Applies one write() of `input` at `offset` to the node: the whole input is
// taken unless a sysctl takes only part of it. An integer sysctl ignores a
// write past the start and takes none of it (sysctl_writes_strict).
Written write_node(const Mount& mount, NodeClass node, std::string_view path, std::string_view input,
                   size_t offset);

}  // namespace kernelfs
