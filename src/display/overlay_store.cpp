#include "display/overlay_store.h"

#include "display/game_overlay.h"
#include "journal/change_gate.h"
#include "journal/state_originals.h"
#include "journal/tool_commands.h"
#include "os/text.h"

namespace korvane {
namespace {

constexpr const char* kNamespace = "game_overlay";

OverlayValue current_overlay(const ConfigValues& overlays, const std::string& game) {
    auto found = overlays.find(game);
    return found == overlays.end() ? OverlayValue{} : parse_overlay(found->second);
}

Result<void> put_overlay(const std::string& game, const OverlayValue& overlay) {
    return run_command("cmd", {"device_config", "put", kNamespace, game, format_overlay(overlay)});
}

}  // namespace

Result<ConfigValues> list_overlays() {
    auto listing = run_command_output("cmd", {"device_config", "list", kNamespace});
    if (!listing) return Error{listing.error()};
    return parse_config_list(*listing);
}

Result<GameOverlays> find_game_overlays(std::optional<int32_t> release, const GameFetchContext& context,
                                        std::string_view overlays_label) {
    auto games = find_games(release, context);
    if (!games) return Error{games.error()};
    if (games->empty()) return GameOverlays{};
    auto overlays = list_overlays();
    if (!overlays) return error(str_cat(overlays_label, overlays.error()));
    return GameOverlays{std::move(games).value(), std::move(overlays).value()};
}

void record_game_originals(const GameOverlays& found) {
    // The overlays were listed already: no tool call reads them again. A
    // failure here refuses each change later, with its reason.
    std::vector<StateOriginal> overlays;
    std::vector<PlannedChange> modes;
    for (const std::string& game : found.games) {
        StateOriginal overlay{{StateKind::device_config, {kNamespace, game}}, std::nullopt};
        if (auto value = found.overlays.find(game); value != found.overlays.end()) overlay.value = value->second;
        overlays.push_back(std::move(overlay));
        modes.push_back(command_change("cmd", {"game", "mode", "2", game}));
    }
    (void)record_state_originals(overlays);
    record_originals(modes);
}

Result<void> store_overlay_setting(const ConfigValues& overlays, const std::string& game, std::string_view key,
                                   std::string_view setting) {
    OverlayValue overlay = current_overlay(overlays, game);
    set_mode2_setting(overlay, key, setting);
    return put_overlay(game, overlay);
}

Result<void> drop_overlay_setting(const ConfigValues& overlays, const std::string& game, std::string_view key) {
    OverlayValue overlay = current_overlay(overlays, game);
    if (!remove_mode2_setting(overlay, key)) return success();
    if (overlay_empty(overlay)) return run_command("cmd", {"device_config", "delete", kNamespace, game});
    return put_overlay(game, overlay);
}

}  // namespace korvane
