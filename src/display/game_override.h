// What a game's `cmd game reset` takes away, recorded before it does: the
// game's mode, read before its overlay entry changes (14 drops a game whose
// entry goes out of performance mode at once), and from 13 on what the user
// set with `cmd game set`, which the reset deletes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "display/overlay_store.h"
#include "os/result.h"

namespace korvane {

// One mode's configuration as the game manager lists it.
struct ListedMode {
    std::string mode;
    std::string scaling;  // "Scaling:" text
    std::string fps;      // "Fps:" text
};

// The modes of `cmd game list` (13) or `cmd game list-configs` (14+):
// "PKG interventions: " and then "[Name:PKG Modes: {2=[Game Mode:2,Scaling:0.7,
// Use Angle:false,Fps:60,Loading Boost Duration:-1], ...}]"; none for
// " No intervention found for package PKG" or anything else.
std::vector<ListedMode> parse_game_configs(std::string_view listing);

// The overrides: each listed mode whose scaling or FPS differs from what the
// game's `overlay` value gives that mode (no entry for it counts as
// different), as the pieces `cmd game set` would take back
// ("downscaleFactor=0.5,fps=60", none for an unset one).
struct GameOverride {
    std::string mode;
    std::string pieces;
};
std::vector<GameOverride> find_overrides(const std::vector<ListedMode>& listed, std::string_view overlay);

// The overrides of `game` as they stand on `release`: its listed
// configuration (`cmd game list` on 13, `list-configs` from 14) against its
// `overlay` value (empty: none); none before 13, which has no `cmd game set`.
// An error with the runner's text when the listing fails.
Result<std::vector<GameOverride>> read_overrides(int32_t release, const std::string& game, std::string_view overlay);

// Records, with one flush, the originals of every game's mode, of its
// overrides (on `release` 13 and later) and of its overlay (as `found` lists
// it), in that order, before the first reset of each.
void record_before_game_resets(std::optional<int32_t> release, const GameOverlays& found);

}  // namespace korvane
