#include "display/fps_limit.h"

#include <string>
#include <vector>

#include "android/release_level.h"
#include "display/fps_rules.h"
#include "display/game_overlay.h"
#include "display/game_override.h"
#include "display/overlay_store.h"
#include "display/performance_mode.h"
#include "journal/change_gate.h"
#include "journal/tool_commands.h"
#include "os/output.h"

namespace korvane {
namespace {

// 1 for a step that succeeded; 0 with a "[WARN] <failure>: <error>" line otherwise.
size_t counted(const Result<void>& outcome, std::string_view failure) {
    if (outcome) return 1;
    out("[WARN] ", failure, ": ", outcome.error());
    return 0;
}

// The games and their overlays, or none after a warning: a failed fetch only
// leaves nothing to cap.
GameOverlays games_or_warn(std::optional<int32_t> release) {
    auto found = find_game_overlays(release, {"Failed to get game info: ", "Failed to list packages: "},
                                    "Failed to get game info: ");
    if (found) return std::move(found).value();
    out("[WARN] ", found.error());
    return {};
}

}  // namespace

Result<void> set_fps_limit(int32_t fps) {
    out("[INFO] Setting FPS limit to ", fps, "...");
    auto level = query_release_level();
    if (!level) return Error{level.error()};
    if (!fps_cap_supported(*level, fps)) {
        return error(str_cat("FPS ", fps, " is not supported on this Android release (use 30, 40, 45, 60, 90 or 120)"));
    }
    const std::string value = str_cat(fps);
    size_t count = 0;
    if (fps_route_for(*level) == FpsRoute::settings) {
        if (!refresh_rate_keys_read(*level)) return error("FPS limits need Android 10 or later");
        record_originals({command_change("settings", {"put", "system", "peak_refresh_rate", value}),
                          command_change("settings", {"put", "system", "min_refresh_rate", value})});
        count += counted(run_command("settings", {"put", "system", "peak_refresh_rate", value}),
                         "Failed to set peak refresh rate");
        count += counted(run_command("settings", {"put", "system", "min_refresh_rate", value}),
                         "Failed to set min refresh rate");
    } else {
        const GameOverlays found = games_or_warn(*level);
        record_game_originals(found);
        for (const std::string& game : found.games) {
            const size_t stored = counted(store_overlay_setting(found.overlays, game, kFpsKey, value),
                                          str_cat("Failed to set FPS for ", game));
            // The mode-2 entry applies only while the game is in mode 2.
            if (stored && enter_performance_mode(game)) ++count;
        }
    }
    if (count == 0) return error("Failed to set FPS limit");
    out("[OK] FPS limit set to ", fps);
    return success();
}

Result<void> reset_fps_limit() {
    out("[INFO] Resetting FPS limit...");
    auto level = query_release_level();
    if (!level) return Error{level.error()};
    size_t count = 0;
    if (fps_route_for(*level) == FpsRoute::settings) {
        record_originals({command_change("settings", {"delete", "system", "peak_refresh_rate"}),
                          command_change("settings", {"delete", "system", "min_refresh_rate"})});
        count += counted(run_command("settings", {"delete", "system", "peak_refresh_rate"}),
                         "Failed to delete peak refresh rate");
        count += counted(run_command("settings", {"delete", "system", "min_refresh_rate"}),
                         "Failed to delete min refresh rate");
    } else {
        // Only the fps piece goes; a downscale in the same entry stays in force.
        const GameOverlays found = games_or_warn(*level);
        record_before_game_resets(*level, found);
        for (const std::string& game : found.games) {
            (void)drop_overlay_setting(found.overlays, game, kFpsKey);
            count += counted(run_command("cmd", {"game", "reset", game}), str_cat("Failed to reset FPS for ", game));
        }
    }
    if (count == 0) return error("Failed to reset FPS limit");
    out("[OK] FPS limit reset");
    return success();
}

}  // namespace korvane
