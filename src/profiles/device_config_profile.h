// The device_config half of the system settings profiles on Android 12 and
// later, where the framework reads most of the profiles' values from
// device_config namespaces rather than from the six global settings.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "profiles/device_config_twins.h"

#include "android/tuning_profile.h"

namespace korvane {

// The release the phone reports (getprop ro.build.version.sdk); nothing when
// it cannot be read or is no number.
std::optional<int32_t> phone_release();

// The twins of one release, each namespace listed once and the originals
// recorded (with the sync mode), before any change of the command.
struct PreparedTwins {
    std::optional<int32_t> release;  // set on a release that reads twins
    size_t count = 0;                // the release's twins, listed or not
    std::vector<ConfigTwin> twins;   // those whose namespace was listed and recorded
    std::map<std::string_view, std::string> skipped;  // the line for each namespace that was not
};

// What a command does to the twins: puts keep server sync off as well.
enum class TwinChange { put, remove };

// Reads and records without a line or a change, so that a command that
// changes other targets first still flushes the journal once; nothing on
// releases without twins or an unknown one.
PreparedTwins prepare_profile_twins(std::optional<int32_t> release, TwinChange change);

// On a release that reads twins: prints "[INFO] Android <release> reads these
// values from device_config: setting N there", then "[WARN] Skipping
// device_config NS: <cause>" for each namespace that could not be listed or
// recorded, and puts every other value, a few at a time, with "[WARN] Failed
// to set device_config NS/KEY: <cause>" in the fixed order for each put that
// fails. Prints nothing and runs nothing on earlier releases or an unknown one.
void put_profile_twins(const PreparedTwins& prepared, TuningProfile profile);

// Deletes each prepared twin key; prints nothing, ignores failures.
void delete_profile_twins(const PreparedTwins& prepared);

}  // namespace korvane
