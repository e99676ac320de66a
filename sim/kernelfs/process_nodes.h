#pragma once
// /proc/PID of the phone's processes: each folder and its files belong to the
// process's user, as procfs shows them; /proc/self names the caller's own
// folder; oom_score_adj takes an integer from -1000 to 1000.

#include <string_view>

namespace kernelfs {

// /proc/PID or anything below it.
bool is_process_path(std::string_view path);

inline bool is_self_link(std::string_view path) { return path == "/proc/self"; }

// 0 or the errno a write of `input` to a process's file gets.
int process_write_error(std::string_view path, std::string_view input);

}  // namespace kernelfs
