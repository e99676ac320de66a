// The JSON configuration that steers auto setup.
#pragma once

namespace korvane {

struct UtilityConfig {
    bool gms_auto = false;
    bool clear_ram = false;
    bool surface_flinger = false;
};

struct BatteryConfig {
    bool bypass_charging = false;
    bool fast_charge = false;
};

struct DownscalingConfig {
    double scale = 0.0;
};

struct KorvaneConfig {
    UtilityConfig utility_tool;
    BatteryConfig battery_saving;
    DownscalingConfig downscaling;
};

// Loads the first usable configuration file, printing what it used; the
// defaults when none is usable.
KorvaneConfig load_config();

}  // namespace korvane
