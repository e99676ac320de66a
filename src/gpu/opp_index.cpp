#include "gpu/opp_index.h"

#include <algorithm>

#include "os/text.h"

namespace korvane {
namespace {

uint64_t capped(uint8_t percent) { return std::min<uint64_t>(percent, 100); }

constexpr std::string_view kFreqKey = "freq = ";

}  // namespace

uint64_t opp_line_count(std::string_view table) { return split_lines(table).size(); }

uint64_t mtk_v2_opp_index(uint64_t lines, uint8_t percent) {
    return (lines - 1) - (lines - 1) * capped(percent) / 100;
}

uint64_t mtk_v1_opp_index(uint64_t lines, uint8_t percent) {
    return (lines - 1) * (100 - capped(percent)) / 100;
}

std::optional<uint64_t> mtk_v1_opp_khz(std::string_view table, uint64_t index) {
    const auto lines = split_lines(table);
    if (index >= lines.size()) return std::nullopt;
    std::string_view line = lines[index];
    size_t at = line.find(kFreqKey);
    if (at == std::string_view::npos) return std::nullopt;
    line.remove_prefix(at + kFreqKey.size());
    uint64_t khz = 0;
    size_t digits = 0;
    for (; digits < line.size() && line[digits] >= '0' && line[digits] <= '9'; ++digits) {
        if (khz > (UINT64_MAX - 9) / 10) return std::nullopt;
        khz = khz * 10 + static_cast<uint64_t>(line[digits] - '0');
    }
    if (digits == 0) return std::nullopt;
    return khz;
}

}  // namespace korvane
