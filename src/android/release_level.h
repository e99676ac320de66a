// The Android release (API level) the phone reports, which decides what the
// game manager and device_config accept.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "os/result.h"

namespace korvane {

// The output of `getprop ro.build.version.sdk`, trimmed and parsed as a
// signed 32-bit decimal; nothing when it is not one.
std::optional<int32_t> parse_release_level(std::string_view getprop_output);

// Asks getprop for the level: the runner's error text when it fails, no level
// when the answer is not a number.
Result<std::optional<int32_t>> query_release_level();

// The level this process last got from getprop, asking only when it has not
// asked yet: for a step that follows a command's own query.
Result<std::optional<int32_t>> known_release_level();

}  // namespace korvane
