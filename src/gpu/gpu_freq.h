// GPU frequency bounds, reset, listing and the detection report. Each command
// detects the GPU afresh; without one it prints "[ERROR] No GPU detected" (the
// report: "Status: No GPU detected") and fails with "No GPU detected".
#pragma once

#include <cstdint>
#include <vector>

#include "android/bound.h"
#include "journal/change_gate.h"
#include "os/node_write.h"
#include "os/result.h"
#include <optional>

namespace korvane {

// On MTK sets the OPP index for the percentage (max only); elsewhere writes
// the frequency at the percentage position of the sorted list into the bound.
Result<void> set_gpu_bound(Bound bound, uint8_t percent);

// The write set_gpu_bound(Bound::max, percent) would make, found without a
// line of output; nothing without a GPU or a value for the percentage.
std::optional<NodeWrite> gpu_max_write(uint8_t percent);

// Releases the MTK OPP lock, or writes the smallest and largest listed
// frequency into the two bounds (lower first; only the upper one must take).
Result<void> reset_gpu_frequencies();

// The bounds reset_gpu_frequencies writes; none without a GPU.
std::vector<PlannedChange> gpu_reset_changes();

// Prints the numbers of the frequency source in file order; a read failure is
// shown, not returned.
Result<void> list_gpu_frequencies();

// Prints the detected record and a health check of its nodes.
Result<void> show_gpu_info();

}  // namespace korvane
