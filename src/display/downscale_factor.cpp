#include "display/downscale_factor.h"

#include <cmath>

#include "display/decimal.h"

namespace korvane {

FactorUse classify_factor(std::string_view factor) {
    constexpr double kEpsilon = 2.220446049250313e-16;
    const auto value = parse_decimal(factor);
    if (!value) return FactorUse::invalid;
    if (std::fabs(*value - 1.0) < kEpsilon) return FactorUse::reset;
    if (std::isfinite(*value) && *value >= 0.1 && *value <= 1.0) return FactorUse::apply;
    return FactorUse::invalid;
}

}  // namespace korvane
