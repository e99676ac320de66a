// Scheduler tunables written as a set, per profile, and the common startup set.
#pragma once

#include "profiles/tuning_profile.h"
#include "sys/result.h"

namespace korvane {

// Writes the profile's table in order; always succeeds, the count is printed.
Result<void> apply_kernel_tweaks(TuningProfile profile);

// Writes the common startup table; fails only when no write took.
Result<void> apply_common_tweaks();

}  // namespace korvane
