// Frame-rate caps, through the display settings or the per-game overlay.
#pragma once

#include <cstdint>

#include "sys/result.h"

namespace korvane {

// Caps the frame rate at `fps`: through the peak and minimum refresh-rate
// settings below release 31, through every game's overlay from 31 on. Each
// failed step is a warning line; fails when no step succeeded, or at once when
// the release level cannot be queried.
Result<void> set_fps_limit(int32_t fps);

// Undoes the cap on the same routes: deletes the two settings, or resets
// every game. Failures as for set_fps_limit.
Result<void> reset_fps_limit();

}  // namespace korvane
