#pragma once
// sysfs attributes that have a show method and no store: a chmod lets the open
// for writing pass, but the write then fails with EIO (cpufreq's store() and
// dev_attr_store() find no store) and the value never changes.

#include <string_view>

namespace kernelfs {

bool show_only(std::string_view path);

}  // namespace kernelfs
