// Resolution downscaling of installed games through the game manager.
#pragma once

#include <cstddef>
#include <string_view>

#include "os/result.h"

namespace korvane {

// Sets `factor` as the downscaleFactor of every detected game's mode-2
// overlay entry, keeping the rest of the overlay, and sets the game mode to 2;
// returns the number of games, per-game failures included. A factor of 1.0
// runs reset_downscaling instead; a factor that is not a decimal number from
// 0.1 to 1.0, or (on releases 31 to 33) not on the 0.3 to 0.9 grid, is
// refused before any change; an accepted grid factor is stored as the grid's
// own text. Fails with the runner's error when the game dump, the package
// listing or the overlay listing fails.
Result<std::size_t> apply_downscaling(std::string_view factor);

// Takes the downscaleFactor out of every detected game's overlay (deleting
// the overlay when nothing else is left in it) and resets the game; returns
// the number of games. Fails only when a fetch fails.
Result<std::size_t> reset_downscaling();

}  // namespace korvane
