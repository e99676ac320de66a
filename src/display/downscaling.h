// Resolution downscaling of installed games through the game manager.
#pragma once

#include <cstddef>
#include <string_view>

#include "sys/result.h"

namespace korvane {

// Stores `factor` verbatim as the downscale overlay of every detected game and
// sets their game mode to 2; returns the number of games, per-game failures
// included. A factor of 1.0 runs reset_downscaling instead; a factor that is
// not a decimal number from 0.1 to 1.0 is refused before any tool runs. Fails
// with the runner's error when the game dump or package listing fails.
Result<std::size_t> apply_downscaling(std::string_view factor);

// Deletes the downscale overlay of every detected game and resets the game;
// returns the number of games. Fails only when a fetch fails.
Result<std::size_t> reset_downscaling();

}  // namespace korvane
