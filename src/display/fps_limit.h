// Frame-rate caps, through the display settings or the per-game overlay.
#pragma once

#include <cstdint>

#include "sys/result.h"

namespace korvane {

Result<void> set_fps_limit(int32_t fps);
Result<void> reset_fps_limit();

}  // namespace korvane
