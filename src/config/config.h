// The JSON configuration that steers auto setup.
#pragma once

#include <optional>
#include <string>

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

// The first configuration file that can be read, and where it lies;
// nothing when none can. Files passed over are named as load_config names
// them ("[WARN] Ignoring configuration ...", "[ERROR] Failed to read config ...").
struct ConfigText {
    std::string path;
    std::string text;
};
std::optional<ConfigText> read_config_file();

// Loads the first usable configuration file, printing what it used; the
// defaults when none is usable.
KorvaneConfig load_config();

}  // namespace korvane
