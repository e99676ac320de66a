// Android framework constants stored as six global settings, per profile.
#pragma once

#include "android/tuning_profile.h"
#include "os/result.h"

namespace korvane {

// Stores the six settings in order; the first failing store ends the profile.
// Then, on Android 12 and later, puts the values that release reads from
// device_config there (device_config_profile.h).
Result<void> apply_system_profile(TuningProfile profile);

// Deletes the six settings and, on Android 12 and later, the device_config
// twins of the release, ignoring failures; always succeeds.
Result<void> reset_system_profile();

}  // namespace korvane
