// How a hot game session gives way: its CPU and GPU caps step down while the
// phone's thermal service says severe or worse, and back up once it has said
// light or cooler for a while. The phone's own throttling wins anyway; giving
// way a step keeps the game steadier than hitting the thermal limit. Pure
// state: the service feeds it readings and the clock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "android/thermal_state.h"
#include "config/per_app.h"

namespace korvane {

// The caps of each step, in percent: never below the last.
inline constexpr uint8_t kHeatStepCaps[] = {100, 85, 70};
// How long the phone stays light or cooler before a step back up.
inline constexpr uint64_t kHeatCoolMs = 60'000;

enum class HeatMove { none, down, up };

struct HeatSteps {
    size_t step = 0;                    // index into kHeatStepCaps
    std::optional<uint64_t> cool_since; // the first of the cool readings in a row

    // Takes one reading at `now_ms`; `cool_ms` is kHeatCoolMs, sped up in tests.
    HeatMove take(const ThermalState& state, uint64_t now_ms, uint64_t cool_ms);
    // The cap at this step for a profile's own cap (none: 100 %); the step
    // never raises what the profile set.
    uint8_t cap(std::optional<uint8_t> own) const;
};

// A session that steps: a performance profile.
bool steps_with_heat(const AppProfile& profile);

}  // namespace korvane
