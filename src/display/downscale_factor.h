// What a downscale factor text asks for.
#pragma once

#include <string_view>

namespace korvane {

enum class FactorUse { reset, apply, invalid };

// reset: a decimal number within 2^-52 of 1.0 (1, 1.0, +1e0 ...); apply: any
// other finite decimal number from 0.1 to 1.0 inclusive; invalid: the rest,
// which the game manager would ignore or store as a broken entry.
FactorUse classify_factor(std::string_view factor);

}  // namespace korvane
