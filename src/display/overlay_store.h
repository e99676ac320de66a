// The game_overlay values of the games, read and written through device_config.
#pragma once

#include <string>
#include <string_view>

#include <vector>

#include "android/device_config_list.h"
#include "display/games.h"
#include "os/result.h"

namespace korvane {

// Every game's current value, from one `cmd device_config list game_overlay`;
// failure is the runner's error text.
Result<ConfigValues> list_overlays();

// The detected games and their current overlays.
struct GameOverlays {
    std::vector<std::string> games;
    ConfigValues overlays;
};

// find_games for the release, then list_overlays when there is a game to look
// up. Fails at the first command that fails, with its label and the runner's
// error text.
Result<GameOverlays> find_game_overlays(std::optional<int32_t> release, const GameFetchContext& context = {},
                                        std::string_view overlays_label = {});

// Records the originals of what storing a setting and entering game mode 2
// change for each game before the first change, with one journal flush: its
// overlay, as `overlays` lists it, and its game mode.
void record_game_originals(const GameOverlays& found);

// Puts the game's value back with `key` set to `setting` in its mode-2 entry
// (set_mode2_setting); one `cmd device_config put`.
Result<void> store_overlay_setting(const ConfigValues& overlays, const std::string& game, std::string_view key,
                                   std::string_view setting);

// Takes `key` out of the game's mode-2 entry (remove_mode2_setting): puts the
// rest back, or deletes the game's key when nothing is left. Runs nothing, and
// succeeds, when the value holds no such piece.
Result<void> drop_overlay_setting(const ConfigValues& overlays, const std::string& game, std::string_view key);

}  // namespace korvane
