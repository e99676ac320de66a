// SurfaceFlinger frame timing and the refresh-rate query.
#pragma once

#include "display/refresh_rate.h"
#include "os/result.h"

namespace korvane {

// Measures the refresh rate and stores the derived timing properties with
// setprop; a failed property is a warning line. The phase offsets are left
// out, with a warning, where SurfaceFlinger takes durations and would abort
// on them. Always succeeds.
Result<void> optimize_surfaceflinger();

// Prints the refresh rate the compositor reports (refresh_rate_in_dump).
// Fails, after an "[ERROR] " line, when the dump cannot be run or holds no
// usable "refresh-rate" line.
Result<void> get_refresh_rate();

}  // namespace korvane
