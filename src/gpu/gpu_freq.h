// GPU frequency bounds, reset, listing and the detection report.
#pragma once

#include <cstdint>

#include "sys/bound.h"
#include "sys/result.h"

namespace korvane {

Result<void> set_gpu_bound(Bound bound, uint8_t percent);
Result<void> reset_gpu_frequencies();
Result<void> list_gpu_frequencies();
Result<void> show_gpu_info();

}  // namespace korvane
