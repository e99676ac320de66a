// Game mode 2 (performance), in which a game's mode-2 overlay entry applies.
#pragma once

#include <string>

namespace korvane {

// Runs `cmd game mode 2 <game>`. The game manager learns of a game_overlay
// change through a listener on its own thread, so right after a put it may
// still answer "Game mode: 2 not supported by <game>" (exit 255): that answer
// is asked again up to 5 times, 100 ms apart. False, after "[WARN] Game mode 2
// is not available for <game>: <answer>", when it stays; every other outcome
// (a dry run included) counts as entered.
bool enter_performance_mode(const std::string& game);

}  // namespace korvane
