// Feeds arbitrary bytes to every parser of device and user text. The
// parsers must never crash, read out of bounds or loop; the few properties
// that hold for any input are checked as well.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "android/device_config_list.h"
#include "display/decimal.h"
#include "display/game_overlay.h"
#include "display/games.h"
#include "display/refresh_rate.h"
#include "gpu/gpu_listing.h"
#include "gpu/opp_index.h"
#include "journal/journal_record.h"
#include "os/node.h"
#include "os/number_parse.h"
#include "os/text.h"
#include "os/utf8.h"

using namespace korvane;

namespace {

// A journal as the reader meets it, torn or damaged: each line is a record or
// is skipped, and a record read back is written out and read again unchanged.
void check_journal(std::string_view text) {
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        if (end == text.npos) end = text.size();
        auto record = parse_record(text.substr(start, end - start));
        if (record) {
            auto again = parse_record(format_record(*record));
            if (!again || !(*again == *record)) std::abort();
        }
        start = end + 1;
    }
}

// A game's overlay value: cut and joined back byte for byte, and a setting
// made is found again and taken out.
void check_overlay(std::string_view text) {
    OverlayValue overlay = parse_overlay(text);
    if (format_overlay(overlay) != text) std::abort();
    set_mode2_setting(overlay, kFpsKey, "60");
    if (!remove_mode2_setting(overlay, kFpsKey)) std::abort();
    (void)overlay_empty(overlay);
}

// `cmd device_config list`: keys are never empty, and no key or value holds a line end.
void check_config_list(std::string_view text) {
    for (const auto& [key, value] : parse_config_list(text)) {
        if (key.empty() || key.find('\n') != key.npos || value.find('\n') != value.npos) std::abort();
    }
}

// `cmd package query-activities`: each game once, never empty, never across a line.
void check_launcher_games(std::string_view text) {
    std::vector<std::string> games = games_from_activities(text);
    for (size_t i = 0; i < games.size(); ++i) {
        if (games[i].empty() || games[i].find('\n') != std::string::npos) std::abort();
        for (size_t j = 0; j < i; ++j) {
            if (games[j] == games[i]) std::abort();
        }
    }
}

// The game matcher's oracle cuts lines and strips blanks on its own, so that
// a fault in the text helpers the matcher uses shows as a difference.
std::string_view strip_blanks(std::string_view s) {
    constexpr std::string_view kBlanks = " \t\n\r\v\f";
    size_t first = s.find_first_not_of(kBlanks);
    if (first == s.npos) return {};
    return s.substr(first, s.find_last_not_of(kBlanks) - first + 1);
}

std::vector<std::string> plain_game_search(std::string_view dump, std::string_view packages) {
    std::vector<std::string> games;
    for (size_t start = 0; start < packages.size();) {
        size_t end = packages.find('\n', start);
        if (end == packages.npos) end = packages.size();
        std::string_view line = strip_blanks(packages.substr(start, end - start));
        if (line.substr(0, 8) == "package:") {
            std::string_view name = strip_blanks(line.substr(8));
            if (!name.empty() && dump.find(name) != dump.npos) games.emplace_back(name);
        }
        start = end + 1;
    }
    return games;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);

    if (auto percent = parse_percent(text); percent && text.find_first_not_of("+0123456789") != text.npos) {
        std::abort();
    }
    (void)parse_i32(text);

    auto freqs = parse_freq_list(text);
    if (!freqs.empty() && index_at_percent(freqs.size(), static_cast<uint8_t>(size)) >= freqs.size()) std::abort();

    std::string code = find_hex_code(text);
    if (!code.empty() && (code.size() != 4 || code.compare(0, 2, "0x") != 0)) std::abort();

    for (std::string_view line : split_lines(text)) {
        if (line.find('\n') != line.npos) std::abort();
    }
    (void)split_whitespace(text);
    (void)trim(text);

    if (!is_valid_utf8(utf8_lossy(text))) std::abort();

    uint64_t lines = opp_line_count(text);
    if (lines > 0) {
        uint8_t percent = size > 0 ? data[0] : 0;
        if (mtk_v1_opp_index(lines, percent) >= lines || mtk_v2_opp_index(lines, percent) >= lines) std::abort();
        (void)mtk_v1_opp_khz(text, mtk_v1_opp_index(lines, percent));
    }
    std::string listing = clean_frequency_listing(text);
    if (listing.find_first_not_of("0123456789 ") != listing.npos || listing.find("  ") != listing.npos) std::abort();

    check_journal(text);
    check_overlay(text);
    check_config_list(text);
    check_launcher_games(text);

    (void)parse_decimal(text);
    if (auto rate = sample_rate(text); rate && (*rate < 30 || *rate > 240)) std::abort();

    // The game matcher against the plain search it replaces, with the input
    // cut into a dump and a listing at the first NUL.
    size_t cut = text.find('\0');
    if (cut != text.npos && detect_games(text.substr(0, cut), text.substr(cut + 1)) !=
                                plain_game_search(text.substr(0, cut), text.substr(cut + 1))) {
        std::abort();
    }
    return 0;
}
