// What Android's thermal service says of the phone's heat (10 and later):
// `dumpsys thermalservice`, whose status the framework itself acts on.
#pragma once

#include <optional>
#include <string_view>

namespace korvane {

// The framework's throttling levels, as android.os.PowerManager numbers them.
enum class ThermalLevel { none, light, moderate, severe, critical, emergency, shutdown };

struct ServiceThermal {
    // Unknown while the HAL is not ready, when the status is overridden from
    // the shell, and on HAL 1.0 phones, which report no status at all (0 always).
    std::optional<ThermalLevel> level;
    // The hottest skin temperature the HAL reports, in °C.
    std::optional<double> skin;
};

// Reads a dump of any release's format: early 10's "Name: N, Type: T,
// Status: S, Value: V" lines and later Temperature{mValue=, mType=, ...}.
ServiceThermal parse_thermal_service(std::string_view dump);

// The level's word: "none" ... "shutdown".
std::string_view thermal_level_name(ThermalLevel level);

}  // namespace korvane
