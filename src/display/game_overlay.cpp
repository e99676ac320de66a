#include "display/game_overlay.h"

#include <algorithm>
#include <optional>

#include "os/number_parse.h"
#include "os/text.h"

namespace korvane {
namespace {

using Entry = std::vector<std::string>;

constexpr std::string_view kModeKey = "mode";
constexpr int32_t kPerformanceMode = 2;

std::vector<std::string> split_at(std::string_view text, char separator) {
    std::vector<std::string> parts;
    for (;;) {
        const size_t end = text.find(separator);
        parts.emplace_back(text.substr(0, end));
        if (end == std::string_view::npos) return parts;
        text.remove_prefix(end + 1);
    }
}

std::string join(const std::vector<std::string>& parts, char separator) {
    std::string text;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) text += separator;
        text += parts[i];
    }
    return text;
}

// The trimmed key of a "key=value" piece; nothing for a piece without "=".
std::optional<std::string_view> key_of(std::string_view piece) {
    const size_t equals = piece.find('=');
    if (equals == std::string_view::npos) return std::nullopt;
    return trim(piece.substr(0, equals));
}

bool has_key(std::string_view piece, std::string_view key) { return key_of(piece) == key; }

// The game manager's splitter yields no piece for a trailing ",", but any
// other piece without "=" voids the entry.
bool ignored_tail(const Entry& entry, size_t i) { return i + 1 == entry.size() && entry[i].empty(); }

// The mode the game manager gives the entry: its last "mode" piece, as an
// integer; an entry it drops reads as no mode.
std::optional<int32_t> mode_of(const Entry& entry) {
    std::optional<int32_t> mode;
    for (size_t i = 0; i < entry.size(); ++i) {
        const auto key = key_of(entry[i]);
        if (!key) {
            if (ignored_tail(entry, i)) continue;
            return std::nullopt;
        }
        if (*key == kModeKey) mode = parse_i32(trim(entry[i].substr(entry[i].find('=') + 1)));
    }
    return mode;
}

bool is_mode2(const Entry& entry) { return mode_of(entry) == kPerformanceMode; }

// A trailing empty slot is filled rather than followed, so that no empty
// piece (which voids an entry) or stray empty entry is left in between.
template <typename T>
void append_filling_tail(std::vector<T>& items, T item, bool tail_is_empty) {
    if (!items.empty() && tail_is_empty) {
        items.back() = std::move(item);
    } else {
        items.push_back(std::move(item));
    }
}

bool blank(const Entry& entry) {
    return std::all_of(entry.begin(), entry.end(), [](const std::string& piece) { return trim(piece).empty(); });
}

}  // namespace

OverlayValue parse_overlay(std::string_view value) {
    OverlayValue overlay;
    if (value.empty()) return overlay;
    for (const std::string& entry : split_at(value, ':')) overlay.entries.push_back(split_at(entry, ','));
    return overlay;
}

std::string format_overlay(const OverlayValue& overlay) {
    std::vector<std::string> entries;
    entries.reserve(overlay.entries.size());
    for (const Entry& entry : overlay.entries) entries.push_back(join(entry, ','));
    return join(entries, ':');
}

bool overlay_empty(const OverlayValue& overlay) {
    return std::all_of(overlay.entries.begin(), overlay.entries.end(), blank);
}

void set_mode2_setting(OverlayValue& overlay, std::string_view key, std::string_view setting) {
    const std::string piece = str_cat(key, "=", setting);
    bool found_entry = false;
    for (Entry& entry : overlay.entries) {
        if (!is_mode2(entry)) continue;
        found_entry = true;
        bool replaced = false;
        for (std::string& existing : entry) {
            if (!has_key(existing, key)) continue;
            existing = piece;
            replaced = true;
        }
        if (!replaced) append_filling_tail(entry, piece, entry.back().empty());
    }
    if (found_entry) return;
    Entry added{str_cat(kModeKey, "=", kPerformanceMode), piece};
    const bool tail_blank = !overlay.entries.empty() && blank(overlay.entries.back());
    append_filling_tail(overlay.entries, std::move(added), tail_blank);
}

bool remove_mode2_setting(OverlayValue& overlay, std::string_view key) {
    bool removed = false;
    auto& entries = overlay.entries;
    for (auto it = entries.begin(); it != entries.end();) {
        Entry& entry = *it;
        const size_t before = entry.size();
        if (is_mode2(entry)) {
            std::erase_if(entry, [key](const std::string& piece) { return has_key(piece, key); });
        }
        if (entry.size() == before) {
            ++it;
            continue;
        }
        removed = true;
        const bool mode_only = std::all_of(entry.begin(), entry.end(), [](const std::string& piece) {
            return has_key(piece, kModeKey) || piece.empty();
        });
        it = mode_only ? entries.erase(it) : it + 1;
    }
    return removed;
}

}  // namespace korvane
