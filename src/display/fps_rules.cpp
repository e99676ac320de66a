#include "display/fps_rules.h"

#include <algorithm>
#include <iterator>

namespace korvane {
namespace {

constexpr int32_t kFirstOverlayLevel = 33;
constexpr int32_t kFixedRatesLevel = 33;
constexpr int32_t kFixedRates[] = {30, 40, 45, 60, 90, 120};
constexpr int32_t kFirstRefreshKeysLevel = 29;

}  // namespace

FpsRoute fps_route_for(std::optional<int32_t> level) {
    return level && *level >= kFirstOverlayLevel ? FpsRoute::game_overlay : FpsRoute::settings;
}

bool refresh_rate_keys_read(std::optional<int32_t> level) { return !level || *level >= kFirstRefreshKeysLevel; }

bool fps_cap_supported(std::optional<int32_t> level, int32_t fps) {
    if (level != kFixedRatesLevel) return true;
    return std::find(std::begin(kFixedRates), std::end(kFixedRates), fps) != std::end(kFixedRates);
}

}  // namespace korvane
