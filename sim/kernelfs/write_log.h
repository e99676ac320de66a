#pragma once
// A log of node writes for tools that show what a program did to the kernel:
// with a file android/trace_node_writes in the state, each write() of a node
// appends "PATH<TAB>INPUT<TAB>OUTCOME" to android/node_writes, where INPUT has
// "\n" and "\t" escaped and OUTCOME is "ok" or the errno's name ("EINVAL").
// An open for writing that is refused is logged with an empty INPUT.

#include <string_view>

#include "node_value.h"

namespace kernelfs {

void log_write(const Mount& mount, std::string_view path, std::string_view input, const Written& outcome);

}  // namespace kernelfs
