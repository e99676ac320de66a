#include "display/release_level.h"

#include "sys/number_parse.h"
#include "sys/runner.h"
#include "sys/text.h"

namespace korvane {

FpsRoute fps_route_for(std::string_view release_level) {
    constexpr int32_t kFirstOverlayLevel = 31;
    const auto level = parse_i32(trim(release_level));
    return level && *level >= kFirstOverlayLevel ? FpsRoute::game_overlay : FpsRoute::settings;
}

Result<FpsRoute> query_fps_route() {
    auto level = run_command_output("getprop", {"ro.build.version.sdk"});
    if (!level) return Error{level.error()};
    return fps_route_for(*level);
}

}  // namespace korvane
