#pragma once
// Nodes whose driver parses a write its own way and shows a sentence of its
// own instead of the value written (MediaTek's gpufreq and battery command
// nodes, a custom kernel's force_fast_charge). The backing file keeps the
// driver's state; `show` renders it and `store` changes it.

#include <string_view>

#include "node_value.h"

namespace kernelfs {

struct DriverNode {
    std::string_view path;
    Text (*show)(const Mount& mount, std::string_view path);
    // 0 or the errno the writer gets; a driver that ignores a write still
    // returns the whole count
    int (*store)(const Mount& mount, std::string_view path, std::string_view input);
};

// The driver node at `path`, or nullptr for a node that stores what it is given.
const DriverNode* driver_node(std::string_view path);

// True when the state's `drivers` file names this driver variant (one name
// per line), for phones whose driver answers differently.
bool driver_variant(const Mount& mount, std::string_view name);

}  // namespace kernelfs
