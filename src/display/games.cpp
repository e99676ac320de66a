#include "display/games.h"

#include <algorithm>

#include "display/name_matcher.h"
#include "journal/tool_commands.h"
#include "os/text.h"

namespace korvane {
namespace {

// Android 12 and 12L: the game manager there prints no dump.
constexpr int32_t kFirstCategoryRelease = 31;
constexpr int32_t kLastCategoryRelease = 32;

// The ApplicationInfo part of a block is indented by eight blanks; the same
// words at another indent belong to something else.
constexpr std::string_view kAppIndent = "        ";
constexpr std::string_view kGameCategory = "category=0";
constexpr std::string_view kPackageKey = "packageName=";
constexpr std::string_view kBlockStart = "  Activity #";

const Args kLauncherQuery{"package", "query-activities", "--user", "0", "-a", "android.intent.action.MAIN",
                          "-c", "android.intent.category.LAUNCHER"};

std::string_view without_cr(std::string_view line) {
    if (line.ends_with('\r')) line.remove_suffix(1);
    return line;
}

}  // namespace

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

std::vector<std::string> games_from_activities(std::string_view activities) {
    std::vector<std::string> games;
    std::string_view package;
    bool game = false;
    // A block's package line may come before or after its category line.
    auto close_block = [&] {
        if (game && !package.empty() && std::find(games.begin(), games.end(), package) == games.end()) {
            games.emplace_back(package);
        }
        package = {};
        game = false;
    };
    for (std::string_view line : split_lines(activities)) {
        line = without_cr(line);
        if (line.starts_with(kBlockStart)) {
            close_block();
            continue;
        }
        if (!line.starts_with(kAppIndent)) continue;
        const std::string_view field = line.substr(kAppIndent.size());
        if (field.starts_with(' ')) continue;
        if (trim(field) == kGameCategory) game = true;
        if (field.starts_with(kPackageKey)) package = trim(field.substr(kPackageKey.size()));
    }
    close_block();
    return games;
}

bool games_found_by_category(std::optional<int32_t> release) {
    return release && *release >= kFirstCategoryRelease && *release <= kLastCategoryRelease;
}

Result<std::vector<std::string>> find_games(std::optional<int32_t> release, const GameFetchContext& context) {
    if (games_found_by_category(release)) {
        auto activities = run_command_output("cmd", kLauncherQuery);
        if (!activities) return error(str_cat(context.listing, activities.error()));
        return games_from_activities(*activities);
    }
    auto dump = run_command_output("dumpsys", {"game"});
    if (!dump) return error(str_cat(context.dump, dump.error()));
    auto listing = run_command_output("cmd", {"package", "list", "packages"});
    if (!listing) return error(str_cat(context.listing, listing.error()));
    return detect_games(*dump, *listing);
}

}  // namespace korvane
