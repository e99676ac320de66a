// How each Android release takes a frame-rate cap.
#pragma once

#include <cstdint>
#include <optional>

namespace korvane {

// The game manager reads an overlay "fps" piece from release 33 on; older
// releases, and a level that is not a number, take the display refresh-rate
// settings instead.
enum class FpsRoute { settings, game_overlay };

FpsRoute fps_route_for(std::optional<int32_t> level);

// Android 7-9 read neither peak_refresh_rate nor min_refresh_rate: a cap put
// there changes nothing. False only for a level known to be below 29.
bool refresh_rate_keys_read(std::optional<int32_t> level);

// Release 33 caps only at 30, 40, 45, 60, 90 and 120 and silently drops any
// other rate; every other release takes any value on its route.
bool fps_cap_supported(std::optional<int32_t> level, int32_t fps);

}  // namespace korvane
