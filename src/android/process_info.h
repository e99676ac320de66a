// What /proc tells of a process: its real uid and its oom_score_adj, which
// the framework keeps at 0 for the app in front (and for few others).
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace korvane {

struct ProcessInfo {
    uint32_t uid = 0;
    int32_t oom_score_adj = 0;
};

// The real uid of a /proc/PID/status text ("Uid:\t<real>\t<effective>...").
std::optional<uint32_t> status_uid(std::string_view status);

// Reads /proc/PID/status and /proc/PID/oom_score_adj under `proc` ("/proc");
// nothing when the process is gone or either cannot be read.
std::optional<ProcessInfo> read_process(const std::string& proc, pid_t pid);

// Sets this process's oom_score_adj; false when the kernel refused.
bool set_own_oom_score_adj(int32_t value);

}  // namespace korvane
