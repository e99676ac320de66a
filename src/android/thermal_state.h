// The phone's thermal state as one reading, shared by every command that
// raises a clock cap: the thermal service's status where the framework has a
// trustworthy one, else the thermal zones against the phone's own threshold;
// and whether a cooling device holds the CPU or GPU now. Read only when a
// command asks, never on a timer of its own.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "android/thermal_service.h"
#include "android/thermal_zones.h"

namespace korvane {

struct ThermalState {
    // The level the service reports, or from the zones severe (or nothing:
    // below severe); unknown when neither can say.
    std::optional<ThermalLevel> level;
    bool from_zones = false;
    double severe_at = 0;  // °C, when from the zones
    std::optional<ZoneTemperature> temperature;  // skin where known
    std::vector<std::string> cooling;            // CPU and GPU cooling devices holding a step
};

// Where the phone's thermal files are; tests of the logic pass their own.
struct ThermalPaths {
    std::string zones = "/sys/class/thermal";
    std::string hal_config = "/vendor/etc/thermal_info_config.json";
};

// Combines a dump of the thermal service (none before Android 10, or when it
// failed) with the kernel's zones.
ThermalState combine_thermal_state(const std::optional<std::string>& service_dump, const ThermalPaths& paths);

// Asks the thermal service and reads the zones.
ThermalState read_thermal_state();

// The phone holds its clocks down: severe or worse, or a CPU or GPU cooling device active.
bool phone_is_hot(const ThermalState& state);

// "thermal status severe, skin 47.5 °C": the state as the lines name it.
std::string thermal_condition_text(const ThermalState& state);

// --status's line: "[INFO] Thermal status none (thermal service), skin 33.5 °C, ...".
std::string thermal_status_line(const ThermalState& state);

// Before a command raises a cap: one [WARN] line when the phone is hot. The
// command goes on whatever the heat: the thermal service wins anyway.
void warn_if_phone_hot();

}  // namespace korvane
