#include "watch/heat_steps.h"

#include <algorithm>

namespace korvane {

HeatMove HeatSteps::take(const ThermalState& state, uint64_t now_ms, uint64_t cool_ms) {
    const bool hot = state.level && *state.level >= ThermalLevel::severe;
    // The zones say only "severe or not": below severe is as cool as they can tell.
    const bool cool = state.level ? *state.level <= ThermalLevel::light : state.from_zones;
    if (hot) {
        cool_since.reset();
        if (step + 1 >= std::size(kHeatStepCaps)) return HeatMove::none;
        ++step;
        return HeatMove::down;
    }
    // Moderate, or a reading that cannot say: hold, and the cool time starts again.
    if (!cool || step == 0) {
        cool_since.reset();
        return HeatMove::none;
    }
    if (!cool_since) {
        cool_since = now_ms;
        return HeatMove::none;
    }
    if (now_ms - *cool_since < cool_ms) return HeatMove::none;
    --step;
    cool_since = now_ms;  // the next step up waits as long again
    return HeatMove::up;
}

uint8_t HeatSteps::cap(std::optional<uint8_t> own) const {
    return std::min(own.value_or(100), kHeatStepCaps[step]);
}

bool steps_with_heat(const AppProfile& profile) { return profile.profile == TuningProfile::performance; }

}  // namespace korvane
