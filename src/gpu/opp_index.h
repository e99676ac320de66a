// Operating-performance-point (OPP) tables of the MTK GPU interfaces: one
// point per line, index 0 the fastest.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace korvane {

// Lines of the table as read: cut at line feeds (a carriage return before one
// goes with it), a last line without a line feed counts, the empty remainder
// after a final one does not; empty middle lines count.
uint64_t opp_line_count(std::string_view table);

// Index for a percentage (above 100 acts as 100) in a table of `lines` >= 1
// lines: 0 gives lines - 1, 100 gives 0. Between two lines mtk_v2 takes the
// slower point (the larger index) and mtk_v1 the faster one.
uint64_t mtk_v2_opp_index(uint64_t lines, uint8_t percent);
uint64_t mtk_v1_opp_index(uint64_t lines, uint8_t percent);

// The kHz of line `index` of a gpufreq v1 table ("[7] freq = 598000, volt =
// ..."): the digits after its first "freq = ". The v1 driver pins only a
// frequency of its table, never an index. Nothing when the line has none.
std::optional<uint64_t> mtk_v1_opp_khz(std::string_view table, uint64_t index);

}  // namespace korvane
