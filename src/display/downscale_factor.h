// What a downscale factor text asks for, and how a release takes it.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace korvane {

enum class FactorUse { reset, apply, invalid };

// reset: a decimal number within 2^-52 of 1.0 (1, 1.0, +1e0 ...); apply: any
// other finite decimal number from 0.1 to 1.0 inclusive; invalid: the rest,
// which the game manager would ignore or store as a broken entry.
FactorUse classify_factor(std::string_view factor);

// Releases 31 to 33 match the factor's text against a fixed grid and apply
// no downscale for any other text.
bool factor_grid_applies(std::optional<int32_t> level);

// The grid's own text (0.3, 0.35, ..., 0.85, 0.9) for a decimal `factor` of
// the same value, so 0.50 gives 0.5; nothing for a factor off the grid.
std::optional<std::string_view> grid_factor(std::string_view factor);

}  // namespace korvane
