// Where Android 12 and later read the framework constants that the system
// settings profiles store in global settings: most of their keys moved to
// device_config namespaces, some under new names. One row per live twin.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "android/tuning_profile.h"

namespace korvane {

// The first release whose framework reads the twins instead of the globals.
inline constexpr int32_t kFirstTwinRelease = 31;

// How a twin's value follows from the profile's value.
enum class TwinConversion {
    same,           // the value as it is
    negated,        // "true" and "false" swapped: the key names the opposite
    sound_trigger,  // 2 (none) when sound_trigger_disabled is true, else sound_trigger_mode
};

struct ConfigTwin {
    std::string_view ns;       // device_config namespace
    std::string_view key;      // key in that namespace
    std::string_view setting;  // the global setting whose list holds the value
    std::string_view source;   // the key in that list; empty: the same as `key`
    TwinConversion conversion;
    int32_t first_release;     // the first release that reads the twin
    int32_t last_release;      // the last one; 0 for every later release
};

// Every twin, in the order the profiles write them: namespace by namespace,
// keys in list order.
std::span<const ConfigTwin> config_twins();

// The twins that `release` reads, in that order; none before Android 12.
std::vector<ConfigTwin> twins_for(int32_t release);

// The namespaces of `twins` in the order of their first twin.
std::vector<std::string_view> twin_namespaces(std::span<const ConfigTwin> twins);

// The text to put for the profile: the profile's value of the source key,
// converted.
std::string twin_value(const ConfigTwin& twin, TuningProfile profile);

// How people name the release of an API level: "12", "12L", "13" and so on.
std::string release_name(int32_t release);

}  // namespace korvane
