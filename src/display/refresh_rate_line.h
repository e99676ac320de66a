// Finding the refresh rate in SurfaceFlinger's dump.
#pragma once

#include <optional>
#include <string_view>

namespace korvane {

// The third word of the first line whose first word is "refresh-rate" and
// that has three words; failing that, of the first line that contains
// "refresh-rate" anywhere and has three words. A unit glued to the number
// (Android 12 prints "60.00fps") is cut off. Nothing when no line serves.
std::optional<std::string_view> refresh_rate_in_dump(std::string_view dump);

}  // namespace korvane
