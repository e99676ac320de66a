// The walk over the cpufreq policy of every core: cpu0, cpu1, ... while their
// directories exist, never past cpu15.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace korvane {

inline constexpr int kMaxCores = 16;

// "/sys/devices/system/cpu/cpu<index>".
std::string core_directory(int index);

// Runs `step` for each core in ascending order, stopping at the first missing
// core directory; returns how many cores were walked.
int32_t walk_cores(const std::function<void(int index, const std::string& dir)>& step);

}  // namespace korvane
