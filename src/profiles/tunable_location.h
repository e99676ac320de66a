// Where the running kernel keeps a kernel tweak row's tunable. The table
// names /proc/sys/kernel, where Qualcomm's 4.x kernels keep them; a GKI
// kernel's WALT module keeps its own in /proc/sys/walt, and MediaTek's boost
// is a node of its scheduler driver.
#pragma once

#include <string>

namespace korvane {

// The node to write for the row whose table path is `kernel_path`: the
// table's own when it is there, else the same tunable where this kernel
// keeps it, else the table's (whose write then fails as a missing node).
std::string tunable_path(const std::string& kernel_path);

}  // namespace korvane
