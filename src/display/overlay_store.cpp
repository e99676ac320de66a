#include "display/overlay_store.h"

#include "display/game_overlay.h"
#include "sys/runner.h"
#include "sys/text.h"

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
