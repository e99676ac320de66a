// Finding the installed games: packages that the game service names, or on
// Android 12 and 12L (which have no game dump) the launchable apps whose
// category is game.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "os/result.h"

namespace korvane {

// The package names of `package_listing` (lines "package:<name>", trimmed
// before and after the prefix; other lines and empty names skipped) that occur
// anywhere in `game_dump` as a case-sensitive substring. Listing order,
// duplicates kept. Linear in the size of both texts.
std::vector<std::string> detect_games(std::string_view game_dump, std::string_view package_listing);

// The games in the answer of `cmd package query-activities`: the packages of
// the activity blocks ("  Activity #K:") that hold the ApplicationInfo line
// "        category=0" (exactly that indent). Each package once, in the order
// of its first block; "No activities found" and any other text without such
// a block give none.
std::vector<std::string> games_from_activities(std::string_view activities);

// Whether a release has no game dump, so that games are found by category.
bool games_found_by_category(std::optional<int32_t> release);

// Labels put before the runner's error text of a failed fetch; empty for none.
struct GameFetchContext {
    std::string_view dump;
    std::string_view listing;
};

// Detects the games of the phone at `release` (nothing: not known). On
// Android 12 and 12L one query of the launcher activities; elsewhere the game
// service dump, then the package listing. Fails at the first fetch that
// fails, with its label (the query's is the listing's) and the runner's error
// text.
Result<std::vector<std::string>> find_games(std::optional<int32_t> release, const GameFetchContext& context = {});

}  // namespace korvane
