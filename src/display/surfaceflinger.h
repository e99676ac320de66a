// SurfaceFlinger frame timing and the refresh-rate query.
#pragma once

#include "display/refresh_rate.h"
#include "sys/result.h"

namespace korvane {

// Measures the refresh rate and stores the derived timing properties with
// setprop; a failed property is a warning line. Always succeeds.
Result<void> optimize_surfaceflinger();

// Prints the refresh rate the compositor reports: the third word of the first
// "refresh-rate" line of its dump that has one. Fails, after an "[ERROR] "
// line, when the dump cannot be run or holds no such line.
Result<void> get_refresh_rate();

}  // namespace korvane
