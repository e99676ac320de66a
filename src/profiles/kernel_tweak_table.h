// The scheduler tunables written as a set: one table for the three profiles
// and the common startup set.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "android/tuning_profile.h"

namespace korvane {

// One node write: the absolute node path and the text to write.
struct KernelTweak {
    std::string path;
    std::string_view value;
};

// The profile's writes in order. A row without a value for the profile is
// left out (balanced has no sched_boost), so balanced has 30 and the others 31.
std::vector<KernelTweak> kernel_tweak_table(TuningProfile profile);

// The three writes of the common startup set, in order.
std::vector<KernelTweak> common_startup_table();

}  // namespace korvane
