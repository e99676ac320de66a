#include "display/game_override.h"

#include <cstdlib>

#include "display/game_overlay.h"
#include "journal/change_gate.h"
#include "journal/change_policy.h"
#include "journal/tool_commands.h"
#include "os/text.h"

namespace korvane {
namespace {

constexpr int32_t kFirstWithSet = 33;      // `cmd game set`, `reset` and `list`
constexpr int32_t kFirstWithConfigs = 34;  // `list` became `list-configs`

// The text after `label` up to the next "," or "]".
std::string field(std::string_view entry, std::string_view label) {
    const size_t at = entry.find(label);
    if (at == std::string_view::npos) return {};
    std::string_view rest = entry.substr(at + label.size());
    return std::string(trim(rest.substr(0, rest.find_first_of(",]"))));
}

// A scale in force, or nothing: 13 lists 1.0 and 14 -1.0 for none.
std::optional<double> scale_in_force(const std::string& text) {
    if (text.empty()) return std::nullopt;
    char* end = nullptr;
    const double scale = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || *end != '\0' || !(scale > 0) || scale == 1.0) return std::nullopt;
    return scale;
}

// A cap in force, or nothing: 13 lists an empty text and 14 0 for none.
std::optional<long> fps_in_force(const std::string& text) {
    if (text.empty()) return std::nullopt;
    char* end = nullptr;
    const long fps = std::strtol(text.c_str(), &end, 10);
    if (end == text.c_str() || *end != '\0' || fps <= 0) return std::nullopt;
    return fps;
}

// The overlay's last entry for `mode`: its downscale and fps texts.
std::optional<ListedMode> overlay_entry(std::string_view overlay, const std::string& mode) {
    std::optional<ListedMode> found;
    for (const std::vector<std::string>& entry : parse_overlay(overlay).entries) {
        ListedMode pieces{mode, {}, {}};
        bool this_mode = false;
        for (const std::string& piece : entry) {
            const size_t eq = piece.find('=');
            if (eq == std::string::npos) continue;
            const std::string_view key = trim(std::string_view(piece).substr(0, eq));
            const std::string value(trim(std::string_view(piece).substr(eq + 1)));
            if (key == "mode") this_mode = value == mode;
            if (key == kDownscaleKey) pieces.scaling = value;
            if (key == kFpsKey) pieces.fps = value;
        }
        if (this_mode) found = pieces;
    }
    return found;
}

}  // namespace

std::vector<ListedMode> parse_game_configs(std::string_view listing) {
    std::vector<ListedMode> modes;
    const size_t name = listing.find("[Name:");
    if (name == std::string_view::npos) return modes;
    std::string_view rest = listing.substr(name);
    constexpr std::string_view kMode = "[Game Mode:";
    for (size_t at = rest.find(kMode); at != std::string_view::npos; at = rest.find(kMode)) {
        rest.remove_prefix(at);
        const std::string_view entry = rest.substr(0, rest.find(']') + 1);
        modes.push_back({field(entry, kMode), field(entry, ",Scaling:"), field(entry, ",Fps:")});
        rest.remove_prefix(kMode.size());
    }
    return modes;
}

std::vector<GameOverride> find_overrides(const std::vector<ListedMode>& listed, std::string_view overlay) {
    std::vector<GameOverride> overrides;
    for (const ListedMode& mode : listed) {
        const auto scale = scale_in_force(mode.scaling);
        const auto fps = fps_in_force(mode.fps);
        const auto entry = overlay_entry(overlay, mode.mode);
        if (entry && scale_in_force(entry->scaling) == scale && fps_in_force(entry->fps) == fps) continue;
        std::string pieces;
        if (scale) pieces = str_cat(kDownscaleKey, "=", mode.scaling);
        if (fps) pieces += str_cat(pieces.empty() ? "" : ",", kFpsKey, "=", *fps);
        overrides.push_back({mode.mode, std::move(pieces)});
    }
    return overrides;
}

Result<std::vector<GameOverride>> read_overrides(int32_t release, const std::string& game, std::string_view overlay) {
    if (release < kFirstWithSet) return std::vector<GameOverride>();
    auto listing = run_command_output("cmd", {"game", release >= kFirstWithConfigs ? "list-configs" : "list", game});
    if (!listing) return Error{listing.error()};
    return find_overrides(parse_game_configs(*listing), overlay);
}

void record_before_game_resets(std::optional<int32_t> release, const GameOverlays& found) {
    if (change_policy() != ChangePolicy::record || found.games.empty()) return;
    std::vector<PlannedChange> changes;
    for (const std::string& game : found.games) changes.push_back(command_change("cmd", {"game", "reset", game}));
    for (const std::string& game : found.games) {
        if (!release) break;
        auto overlay = found.overlays.find(game);
        Result<std::vector<GameOverride>> overrides =
            read_overrides(*release, game, overlay == found.overlays.end() ? "" : overlay->second);
        if (!overrides) continue;
        for (GameOverride& o : overrides.value()) {
            changes.push_back(known_change({{StateKind::game_override, {game, o.mode}}, std::move(o.pieces)}));
        }
    }
    // The overlays as listed already; a game without one keeps having none.
    for (const std::string& game : found.games) {
        auto overlay = found.overlays.find(game);
        if (overlay == found.overlays.end()) continue;
        changes.push_back(known_change({{StateKind::device_config, {"game_overlay", game}}, overlay->second}));
    }
    record_originals(changes);
}

}  // namespace korvane
