#include "gpu/opp_index.h"

#include <algorithm>

#include "sys/text.h"

namespace korvane {
namespace {

uint64_t capped(uint8_t percent) { return std::min<uint64_t>(percent, 100); }

}  // namespace

uint64_t opp_line_count(std::string_view table) { return split_lines(table).size(); }

uint64_t mtk_v2_opp_index(uint64_t lines, uint8_t percent) {
    return (lines - 1) - (lines - 1) * capped(percent) / 100;
}

uint64_t mtk_v1_opp_index(uint64_t lines, uint8_t percent) {
    return (lines - 1) * (100 - capped(percent)) / 100;
}

}  // namespace korvane
