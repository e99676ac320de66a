// Android framework constants stored as six global settings, per profile.
#pragma once

#include "profiles/tuning_profile.h"
#include "sys/result.h"

namespace korvane {

// Stores the six settings in order; the first failing store ends the profile.
Result<void> apply_system_profile(TuningProfile profile);

// Deletes the six settings, ignoring failures; always succeeds.
Result<void> reset_system_profile();

}  // namespace korvane
