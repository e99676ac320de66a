#include "display/fps_limit.h"

#include <string>
#include <vector>

#include "display/games.h"
#include "display/release_level.h"
#include "sys/output.h"
#include "sys/runner.h"

namespace korvane {
namespace {

// 1 for a step that succeeded; 0 with a "[WARN] <failure>: <error>" line otherwise.
size_t counted(const Result<void>& outcome, std::string_view failure) {
    if (outcome) return 1;
    out("[WARN] ", failure, ": ", outcome.error());
    return 0;
}

// The games, or none after a warning: a failed fetch only leaves nothing to cap.
std::vector<std::string> games_or_warn() {
    auto games = find_games({"Failed to get game info: ", "Failed to list packages: "});
    if (games) return std::move(games).value();
    out("[WARN] ", games.error());
    return {};
}

}  // namespace

Result<void> set_fps_limit(int32_t fps) {
    out("[INFO] Setting FPS limit to ", fps, "...");
    auto route = query_fps_route();
    if (!route) return Error{route.error()};
    const std::string value = str_cat(fps);
    size_t count = 0;
    if (*route == FpsRoute::settings) {
        count += counted(run_command("settings", {"put", "system", "peak_refresh_rate", value}),
                         "Failed to set peak refresh rate");
        count += counted(run_command("settings", {"put", "system", "min_refresh_rate", value}),
                         "Failed to set min refresh rate");
    } else {
        const std::string overlay = str_cat("fps=", value);
        for (const std::string& game : games_or_warn()) {
            count += counted(run_command("cmd", {"device_config", "put", "game_overlay", game, overlay}),
                             str_cat("Failed to set FPS for ", game));
        }
    }
    if (count == 0) return error("Failed to set FPS limit");
    out("[OK] FPS limit set to ", fps);
    return success();
}

Result<void> reset_fps_limit() {
    out("[INFO] Resetting FPS limit...");
    auto route = query_fps_route();
    if (!route) return Error{route.error()};
    size_t count = 0;
    if (*route == FpsRoute::settings) {
        count += counted(run_command("settings", {"delete", "system", "peak_refresh_rate"}),
                         "Failed to delete peak refresh rate");
        count += counted(run_command("settings", {"delete", "system", "min_refresh_rate"}),
                         "Failed to delete min refresh rate");
    } else {
        // Only the game is reset here; its overlay entry stays in place.
        for (const std::string& game : games_or_warn()) {
            count += counted(run_command("cmd", {"game", "reset", game}), str_cat("Failed to reset FPS for ", game));
        }
    }
    if (count == 0) return error("Failed to reset FPS limit");
    out("[OK] FPS limit reset");
    return success();
}

}  // namespace korvane
