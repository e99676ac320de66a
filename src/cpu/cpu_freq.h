// CPU frequency control over the cpufreq policy of every core.
#pragma once

#include <cstdint>
#include <vector>

#include "android/bound.h"
#include "journal/change_gate.h"
#include "os/node_write.h"
#include "os/result.h"

namespace korvane {

// Caps one bound of every core at the percentage position of its available list.
Result<void> set_cpu_bound(Bound bound, uint8_t percent);

// The writes set_cpu_bound(bound, percent) would make, one per core that has
// a frequency to choose; nothing is written.
std::vector<NodeWrite> cpu_bound_writes(Bound bound, uint8_t percent);

// Gives every core its full range back, lower bound first.
Result<void> reset_cpu_frequencies();

// The bounds reset_cpu_frequencies writes, found without reading a node.
std::vector<PlannedChange> cpu_reset_changes();

// Takes every access right away from the vendor CPU limit nodes.
Result<void> disable_cpu_limits();

// Prints each core's available frequencies; always succeeds.
Result<void> list_cpu_frequencies();

}  // namespace korvane
