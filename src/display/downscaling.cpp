#include "display/downscaling.h"

#include "android/release_level.h"
#include "display/downscale_factor.h"
#include "display/game_overlay.h"
#include "display/game_override.h"
#include "display/overlay_store.h"
#include "display/performance_mode.h"
#include "journal/tool_commands.h"
#include "os/output.h"

namespace korvane {
namespace {

// The phone's release; nothing when getprop fails or answers no number.
std::optional<int32_t> release_or_unknown() {
    auto level = query_release_level();
    return level ? *level : std::nullopt;
}

// The text to store for `factor`, or nothing after an "[ERROR] " line when
// this release would ignore it. A release that cannot be read is held to the
// 0.1 to 1.0 rule alone.
std::optional<std::string_view> stored_factor(std::string_view factor, std::optional<int32_t> release) {
    if (!factor_grid_applies(release)) return factor;
    auto on_grid = grid_factor(factor);
    if (!on_grid) {
        out("[ERROR] Invalid downscale factor: ", factor, ". Android 12 and 13 take 0.3 to 0.9 in steps of 0.05");
    }
    return on_grid;
}

}  // namespace

Result<std::size_t> apply_downscaling(std::string_view factor) {
    switch (classify_factor(factor)) {
        case FactorUse::reset:
            out("[INFO] Scale factor is 1.0, triggering downscale reset...");
            return reset_downscaling();
        case FactorUse::invalid:
            out("[ERROR] Invalid downscale factor: ", factor, ". Use a number from 0.1 to 1.0");
            return error(str_cat("Invalid downscale factor: ", factor));
        case FactorUse::apply:
            break;
    }
    const std::optional<int32_t> release = release_or_unknown();
    const auto stored = stored_factor(factor, release);
    if (!stored) return error(str_cat("Invalid downscale factor: ", factor));
    out("[INFO] Applying downscaling factor ", factor, "...");
    auto found = find_game_overlays(release);
    if (!found) return Error{found.error()};
    // The count is of games found, less those that game mode 2 stays
    // refused for: other per-game failures are silent.
    std::size_t applied = 0;
    record_game_originals(*found);
    for (const std::string& game : found->games) {
        (void)store_overlay_setting(found->overlays, game, kDownscaleKey, *stored);
        if (enter_performance_mode(game)) ++applied;
    }
    out("[OK] Downscaling factor ", factor, " applied to ", applied, " games");
    return applied;
}

Result<std::size_t> reset_downscaling() {
    out("[INFO] Resetting downscaling...");
    // The release decides how games are found; one that cannot be read is
    // taken as one with a game dump.
    const std::optional<int32_t> release = release_or_unknown();
    auto found = find_game_overlays(release);
    if (!found) return Error{found.error()};
    record_before_game_resets(release, *found);
    for (const std::string& game : found->games) {
        (void)drop_overlay_setting(found->overlays, game, kDownscaleKey);
        (void)run_command("cmd", {"game", "reset", game});
    }
    out("[OK] Downscaling reset for ", found->games.size(), " games");
    return found->games.size();
}

}  // namespace korvane
