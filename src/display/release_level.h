// The Android release level, which decides how a frame-rate cap is applied.
#pragma once

#include <string_view>

#include "sys/result.h"

namespace korvane {

// Release 31 and above honour per-game overlay caps; older ones, and a level
// that is not a number, take the display refresh-rate settings.
enum class FpsRoute { settings, game_overlay };

// The route for the output of `getprop ro.build.version.sdk`: trimmed and
// parsed as a signed 32-bit decimal.
FpsRoute fps_route_for(std::string_view release_level);

// Queries the release level; failure is the runner's error text.
Result<FpsRoute> query_fps_route();

}  // namespace korvane
