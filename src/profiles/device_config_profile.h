// The device_config half of the system settings profiles on Android 12 and
// later, where the framework reads most of the profiles' values from
// device_config namespaces rather than from the six global settings.
#pragma once

#include <cstdint>
#include <optional>

#include "profiles/tuning_profile.h"

namespace korvane {

// The release the phone reports (getprop ro.build.version.sdk); nothing when
// it cannot be read or is no number.
std::optional<int32_t> phone_release();

// On a release that reads twins: prints "[INFO] Android <release> reads these
// values from device_config: setting N there", lists each namespace once for
// the originals ("[WARN] Skipping device_config NS: <cause>" and none of its
// puts when that fails), records them all with one flush, then puts every
// value, a few at a time, with "[WARN] Failed to set device_config NS/KEY:
// <cause>" in the fixed order for each put that fails. Prints nothing and
// runs nothing on earlier releases or an unknown one.
void put_profile_twins(std::optional<int32_t> release, TuningProfile profile);

// On a release that reads twins: deletes each twin key of the release, its
// original recorded first as for the puts; prints nothing, ignores failures.
void delete_profile_twins(std::optional<int32_t> release);

}  // namespace korvane
