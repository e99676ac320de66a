// Scheduler tunables written as a set, per profile, and the common startup set.
#pragma once

#include <vector>

#include "android/tuning_profile.h"
#include "journal/change_gate.h"
#include "os/node_write.h"
#include "os/result.h"

namespace korvane {

// Writes the profile's table in order; always succeeds, the count is printed.
Result<void> apply_kernel_tweaks(TuningProfile profile);

// The nodes apply_kernel_tweaks(profile) writes, known without reading any:
// a command of several steps records them all before its first change.
std::vector<PlannedChange> kernel_tweak_changes(TuningProfile profile);

// The writes apply_kernel_tweaks(profile) would make on this kernel, in
// order, read from the nodes as it reads them; nothing is written.
std::vector<NodeWrite> kernel_tweak_writes(TuningProfile profile);

// Writes the common startup table; fails only when no write took.
Result<void> apply_common_tweaks();

}  // namespace korvane
