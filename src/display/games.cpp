#include "display/games.h"

#include "display/name_matcher.h"
#include "sys/runner.h"
#include "sys/text.h"

namespace korvane {

std::vector<std::string> detect_games(std::string_view game_dump, std::string_view package_listing) {
    constexpr std::string_view kPrefix = "package:";
    std::vector<std::string_view> names;
    for (std::string_view line : split_lines(package_listing)) {
        line = trim(line);
        if (!line.starts_with(kPrefix)) continue;
        std::string_view name = trim(line.substr(kPrefix.size()));
        if (!name.empty()) names.push_back(name);
    }
    const std::vector<bool> found = find_names_in(names, game_dump);
    std::vector<std::string> games;
    for (size_t i = 0; i < names.size(); ++i) {
        if (found[i]) games.emplace_back(names[i]);
    }
    return games;
}

Result<std::vector<std::string>> find_games(const GameFetchContext& context) {
    auto dump = run_command_output("dumpsys", {"game"});
    if (!dump) return error(str_cat(context.dump, dump.error()));
    auto listing = run_command_output("cmd", {"package", "list", "packages"});
    if (!listing) return error(str_cat(context.listing, listing.error()));
    return detect_games(*dump, *listing);
}

}  // namespace korvane
