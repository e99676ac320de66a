// The configuration's optional "per_app" object: which kernel profile (and
// caps) the watch service gives each app while it is in front, and what it
// gives the phone while the screen is off.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "android/tuning_profile.h"

namespace korvane {

inline constexpr uint32_t kDefaultSettleMs = 2000;

// A kernel tweak profile, optionally with CPU and GPU max caps in percent.
struct AppProfile {
    TuningProfile profile = TuningProfile::balanced;
    std::optional<uint8_t> cpu_max;
    std::optional<uint8_t> gpu_max;
    bool operator==(const AppProfile&) const = default;
};

struct AppEntry {
    std::string package;
    AppProfile profile;
    bool operator==(const AppEntry&) const = default;
};

struct PerAppConfig {
    std::vector<AppEntry> apps;  // in file order
    std::optional<AppProfile> screen_off;
    uint32_t settle_ms = kDefaultSettleMs;
};

// The profile word of the configuration ("performance", "balanced", "battery").
std::string_view profile_word(TuningProfile profile);

// Reads "per_app" from a whole configuration text. Nothing when the text has
// none (or is no JSON object, which the auto setup reports). Every entry that
// cannot be used (an unknown profile word, a number out of range, a value of
// the wrong type, a key it does not know) is named in one `warnings` text,
// without the "[WARN] per_app: " prefix, and left out; the rest is taken.
std::optional<PerAppConfig> parse_per_app(std::string_view text, std::vector<std::string>& warnings);

// The first readable configuration file's "per_app", each warning printed as
// one "[WARN] per_app: ..." line.
std::optional<PerAppConfig> load_per_app();

}  // namespace korvane
