#pragma once
// What a node shows when read and what a write leaves in it. The backing file
// holds the value without the newline the kernel adds when showing it: a
// write of "1\n" stores "1", which reads back as "1\n". Vendor procfs nodes
// keep the value as written too; only sysfs and /proc/sys apply rules to it.

#include <string>
#include <string_view>

#include "backing.h"
#include "kernel_generation.h"
#include "node_class.h"

namespace kernelfs {

struct Mount {
    std::string state;  // the state folder: sys/, proc/ and android/ below it
    KernelGeneration generation = KernelGeneration::v5_4;
    uid_t caller = 0;   // the one identity every run of the phone has

    std::string backing(std::string_view path) const { return state + std::string(path); }
};

// The bytes a read at `offset` sees, or an errno.
Text read_node(const Mount& mount, NodeClass node, std::string_view path, size_t offset, size_t size);

// Applies one write() of `input` at file offset `offset` to the node: 0 or
// the errno the writer gets. `taken` is the count write() returns then.
int write_node(const Mount& mount, NodeClass node, std::string_view path, std::string_view input, size_t offset,
               size_t& taken);

}  // namespace kernelfs
