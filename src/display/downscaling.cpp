#include "display/downscaling.h"

#include "display/downscale_factor.h"
#include "display/games.h"
#include "sys/output.h"
#include "sys/runner.h"

namespace korvane {

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
    out("[INFO] Applying downscaling factor ", factor, "...");
    auto games = find_games();
    if (!games) return Error{games.error()};
    const std::string overlay = str_cat("mode=2,downscaleFactor=", factor);
    // The count is of games found, not of games changed: per-game failures are silent.
    for (const std::string& game : *games) {
        (void)run_command("cmd", {"device_config", "put", "game_overlay", game, overlay});
        (void)run_command("cmd", {"game", "mode", "2", game});
    }
    out("[OK] Downscaling factor ", factor, " applied to ", games->size(), " games");
    return games->size();
}

Result<std::size_t> reset_downscaling() {
    out("[INFO] Resetting downscaling...");
    auto games = find_games();
    if (!games) return Error{games.error()};
    for (const std::string& game : *games) {
        (void)run_command("cmd", {"device_config", "delete", "game_overlay", game});
        (void)run_command("cmd", {"game", "reset", game});
    }
    out("[OK] Downscaling reset for ", games->size(), " games");
    return games->size();
}

}  // namespace korvane
