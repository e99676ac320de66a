// The Android framework constants that the system settings profiles store:
// six global settings, each a key=value list with a value per profile.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "android/tuning_profile.h"

namespace korvane {

// One key of a setting's list with its value in each profile.
struct SettingEntry {
    std::string_view key;
    ProfileValues values;
};

struct GlobalSetting {
    std::string_view name;
    std::span<const SettingEntry> entries;
};

// The six settings in the order they are stored and deleted.
std::span<const GlobalSetting> global_settings();

// The setting's text for a profile: key=value pairs in list order joined with
// ",", no spaces and no separator at either end.
std::string setting_value(const GlobalSetting& setting, TuningProfile profile);

}  // namespace korvane
