// Finding the installed games: packages that the game service names.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "sys/result.h"

namespace korvane {

// The package names of `package_listing` (lines "package:<name>", trimmed
// before and after the prefix; other lines and empty names skipped) that occur
// anywhere in `game_dump` as a case-sensitive substring. Listing order,
// duplicates kept. Linear in the size of both texts.
std::vector<std::string> detect_games(std::string_view game_dump, std::string_view package_listing);

// Labels put before the runner's error text of a failed fetch; empty for none.
struct GameFetchContext {
    std::string_view dump;
    std::string_view listing;
};

// Runs the game service dump, then the package listing, and detects the
// games. Fails at the first fetch that fails, with its label and the runner's
// error text.
Result<std::vector<std::string>> find_games(const GameFetchContext& context = {});

}  // namespace korvane
