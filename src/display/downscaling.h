// Resolution downscaling of installed games through the game manager.
#pragma once

#include <cstddef>
#include <string_view>

#include "sys/result.h"

namespace korvane {

// Applies `factor` to every detected game (1.0 resets); returns the game count.
Result<std::size_t> apply_downscaling(std::string_view factor);

// Removes the downscaling of every detected game; returns the game count.
Result<std::size_t> reset_downscaling();

}  // namespace korvane
