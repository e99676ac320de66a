// Frame-rate caps, through the display settings or the per-game overlay.
#pragma once

#include <cstdint>

#include "os/result.h"

namespace korvane {

// Caps the frame rate at `fps`: through the peak and minimum refresh-rate
// settings below release 33; from 33 on as the fps piece of every game's
// mode-2 overlay entry (the rest of the overlay kept), each stored game then
// put in mode 2. Each failed step is a warning line; fails when no step
// succeeded, or at once, before any change, when the release level cannot be
// queried or (on release 33) the rate is not one the game manager caps at.
Result<void> set_fps_limit(int32_t fps);

// Undoes the cap on the same routes: deletes the two settings, or takes the
// fps piece out of every game's overlay and resets the game, whose outcome
// alone counts. Failures as for set_fps_limit.
Result<void> reset_fps_limit();

}  // namespace korvane
