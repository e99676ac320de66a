#pragma once
// /proc/sys entries: integer ones parse a write as __do_proc_dointvec does
// (kernel/sysctl.c) and refuse junk or out-of-range values with EINVAL;
// text ones take the line as it comes.

#include <string>
#include <string_view>
#include <vector>

#include "backing.h"
#include "kernel_generation.h"

namespace kernelfs {

// A write's integers as __do_proc_dointvec reads them, at most `limit`: ok is
// false for junk or no number at all. `taken` counts the bytes the kernel
// consumed, which is short of the input when more numbers follow.
struct SysctlInput {
    bool ok = false;
    std::vector<long> values;
    size_t taken = 0;
};
SysctlInput sysctl_parse(std::string_view input, size_t limit);

// The entry's name below /proc/sys, e.g. "kernel/sched_boost".
bool sysctl_is_integer(std::string_view entry);

// What the entry holds after a write of `input` when it held `current`
// (stored form: integers in decimal, tab-separated as a read shows them, no
// final newline), or EINVAL. `taken` gets the count the write returns: short
// when more values came than the entry holds (__do_proc_dointvec keeps those
// that fit).
Text sysctl_write(std::string_view entry, std::string_view input, std::string_view current,
                  KernelGeneration generation, size_t* taken = nullptr);

// The integers of a stored value; unreadable fields count as 0.
std::vector<long> sysctl_values(std::string_view stored);

}  // namespace kernelfs
