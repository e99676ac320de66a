// `dumpsys power`, read once when the watch service starts, for whether the
// screen is on: "mWakefulness=Awake" (Asleep, Dreaming and Dozing are off
// to the user), else "Display Power: state=ON".
#pragma once

#include <optional>
#include <string_view>

namespace korvane {

// True for on, false for off; nothing when the dump says neither.
std::optional<bool> screen_on_in_power_dump(std::string_view dump);

}  // namespace korvane
