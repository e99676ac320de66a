// Feeds arbitrary bytes to every parser of device and user text. The
// parsers must never crash, read out of bounds or loop; the few properties
// that hold for any input are checked as well.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "sys/number_parse.h"
#include "display/decimal.h"
#include "display/games.h"
#include "display/refresh_rate.h"
#include "gpu/gpu_listing.h"
#include "gpu/opp_index.h"
#include "sys/node.h"
#include "sys/number_parse.h"
#include "sys/text.h"
#include "sys/utf8.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace korvane;
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
    }
    std::string listing = clean_frequency_listing(text);
    if (listing.find_first_not_of("0123456789 ") != listing.npos || listing.find("  ") != listing.npos) std::abort();

    (void)parse_decimal(text);
    if (auto rate = sample_rate(text); rate && (*rate < 30 || *rate > 240)) std::abort();

    // The game matcher against the plain search it replaces, with the input
    // cut into a dump and a listing at the first NUL.
    size_t cut = text.find('\0');
    if (cut != text.npos) {
        std::string_view dump = text.substr(0, cut);
        std::string_view packages = text.substr(cut + 1);
        std::vector<std::string> expected;
        for (std::string_view line : split_lines(packages)) {
            line = trim(line);
            if (line.substr(0, 8) != "package:") continue;
            std::string_view name = trim(line.substr(8));
            if (!name.empty() && dump.find(name) != dump.npos) expected.emplace_back(name);
        }
        if (detect_games(dump, packages) != expected) std::abort();
    }
    return 0;
}
