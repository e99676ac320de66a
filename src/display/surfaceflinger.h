// SurfaceFlinger frame timing and the refresh-rate query.
#pragma once

#include "sys/result.h"

namespace korvane {

// Measures the refresh rate and stores the derived timing properties; always succeeds.
Result<void> optimize_surfaceflinger();

// The median of up to five measured refresh rates in hertz, 60 without any.
double measure_refresh_rate();

// Prints the refresh rate the compositor reports.
Result<void> get_refresh_rate();

}  // namespace korvane
