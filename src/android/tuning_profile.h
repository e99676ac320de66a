#pragma once

#include <string_view>

namespace korvane {

// The profile selector shared by the kernel tweaks, the system settings and
// auto setup.
enum class TuningProfile { battery, balanced, performance };

// The word naming the profile in progress lines ("Battery", ...).
constexpr std::string_view profile_title(TuningProfile profile) {
    switch (profile) {
        case TuningProfile::battery: return "Battery";
        case TuningProfile::balanced: return "Balanced";
        case TuningProfile::performance: return "Performance";
    }
    return "";
}

// One table row's values, a column per profile, so that the profiles of a
// table share its rows and cannot drift apart in order.
struct ProfileValues {
    std::string_view battery;
    std::string_view balanced;
    std::string_view performance;

    constexpr std::string_view pick(TuningProfile profile) const {
        switch (profile) {
            case TuningProfile::battery: return battery;
            case TuningProfile::balanced: return balanced;
            case TuningProfile::performance: return performance;
        }
        return {};
    }
};

}  // namespace korvane
