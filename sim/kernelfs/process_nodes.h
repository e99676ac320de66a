#pragma once
// /proc/PID of the phone's processes: each folder and its files belong to the
// process's user, as procfs shows them; /proc/self names the caller's own
// folder; oom_score_adj takes an integer from -1000 to 1000.

#include <optional>
#include <string>
#include <string_view>

#include "node_value.h"

namespace kernelfs {

// /proc/PID or anything below it.
bool is_process_path(std::string_view path);

inline bool is_self_link(std::string_view path) { return path == "/proc/self"; }

// A sanitized korvane reads its own maps, auxv and the like, which the phone
// does not make: when /proc/PID holds a file `.host` naming the process's id
// on this machine, /proc/PID/NAME that the phone lacks is a link to the real
// /proc's (at /sim/hostproc in the sandbox). Returns that link's target.
std::optional<std::string> lent_host_entry(const Mount& mount, std::string_view path);

// 0 or the errno a write of `input` to a process's file gets.
int process_write_error(std::string_view path, std::string_view input);

}  // namespace kernelfs
