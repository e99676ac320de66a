// The kernel's own view of the phone's heat, readable without the framework:
// thermal zones (millidegrees, named by `type`) and cooling devices, whose
// `cur_state` above 0 means their mitigation holds now. Zone numbers differ
// per SoC and boot, so zones are matched by type.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvane {

struct ZoneTemperature {
    std::string_view kind;  // "skin", "battery" or "board"
    double celsius = 0;
};

struct ThermalZones {
    // The hottest zone whose type names the skin, the battery or the board.
    std::optional<ZoneTemperature> hottest;
    // The types of the CPU and GPU cooling devices holding a step now.
    std::vector<std::string> cooling;
};

// Reads `root` (/sys/class/thermal); what cannot be read is left out.
ThermalZones read_thermal_zones(const std::string& root);

// The skin's severe threshold in °C from the thermal HAL's configuration at
// `config` (the SEVERE slot of a SKIN sensor's HotThreshold), or 45 °C where
// it cannot be read.
double severe_skin_celsius(const std::string& config);

}  // namespace korvane
