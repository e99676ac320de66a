#include "display/downscale_factor.h"

#include <cmath>

#include "display/decimal.h"

namespace korvane {
namespace {

// The texts Android 12 and 13 know, as written in the game manager.
constexpr std::string_view kGrid[] = {"0.3", "0.35", "0.4", "0.45", "0.5", "0.55", "0.6",
                                      "0.65", "0.7", "0.75", "0.8", "0.85", "0.9"};

}  // namespace

FactorUse classify_factor(std::string_view factor) {
    constexpr double kEpsilon = 2.220446049250313e-16;
    const auto value = parse_decimal(factor);
    if (!value) return FactorUse::invalid;
    if (std::fabs(*value - 1.0) < kEpsilon) return FactorUse::reset;
    if (std::isfinite(*value) && *value >= 0.1 && *value <= 1.0) return FactorUse::apply;
    return FactorUse::invalid;
}

bool factor_grid_applies(std::optional<int32_t> level) { return level && *level >= 31 && *level <= 33; }

std::optional<std::string_view> grid_factor(std::string_view factor) {
    // Both sides are parsed the same way, so equal values compare equal exactly.
    const auto value = parse_decimal(factor);
    if (!value) return std::nullopt;
    for (std::string_view text : kGrid) {
        if (parse_decimal(text) == *value) return text;
    }
    return std::nullopt;
}

}  // namespace korvane
