#pragma once
// A log of node writes for tools that show what a program did to the kernel:
// with a file android/trace_node_writes in the state, each write() of a node
// appends "PATH<TAB>INPUT<TAB>OUTCOME<TAB>TIME<TAB>WRITER" to
// android/node_writes, where PATH is the phone's (/dev/cpuset/... for the
// cpuset mount), INPUT has "\n" and "\t" escaped, OUTCOME is "ok" or the
// errno's name ("EINVAL"), TIME the wall clock in ms since the epoch and
// WRITER the process's name (comm). An open for writing that is refused is
// logged with an empty INPUT.

#include <sys/types.h>

#include <string_view>

#include "node_value.h"

namespace kernelfs {

void log_write(const Mount& mount, std::string_view path, std::string_view input, const Written& outcome,
               pid_t writer);

}  // namespace kernelfs
