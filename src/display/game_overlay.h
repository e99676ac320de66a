// Editing one game's value in the game manager's "game_overlay" namespace.
//
// The game manager splits the value at ":" into one entry per game mode, and
// each entry at "," into "key=value" pieces (keys and values trimmed). A
// piece without "=" makes it drop that whole entry. The edits below touch only
// the pieces they are about and keep every other byte as it was, so settings
// made by others (fps next to downscaleFactor, other modes) survive.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace korvane {

inline constexpr std::string_view kFpsKey = "fps";
inline constexpr std::string_view kDownscaleKey = "downscaleFactor";

// The value as written, cut into entries and pieces; format_overlay joins it
// back byte for byte.
struct OverlayValue {
    std::vector<std::vector<std::string>> entries;
};

OverlayValue parse_overlay(std::string_view value);
std::string format_overlay(const OverlayValue& overlay);

// True when no entry holds anything but blanks: the key can go.
bool overlay_empty(const OverlayValue& overlay);

// Sets `key` to `setting` in every entry the game manager reads as mode 2: a
// piece with that key is replaced where it stands, otherwise one is appended.
// Without such an entry, "mode=2,<key>=<setting>" becomes a new last entry.
void set_mode2_setting(OverlayValue& overlay, std::string_view key, std::string_view setting);

// Removes the pieces with `key` from every mode-2 entry; an entry left with
// nothing but its mode goes too. Returns whether anything was removed.
bool remove_mode2_setting(OverlayValue& overlay, std::string_view key);

}  // namespace korvane
