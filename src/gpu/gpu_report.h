// The GPU information report.
#pragma once

#include <string_view>
#include <vector>

namespace korvane {

inline constexpr size_t kSampleLines = 3;

// The first three lines of a frequency source, unchanged but for their line
// ends (the line rule of the OPP tables: a carriage return goes only with the
// line feed after it); fewer when the text is shorter.
std::vector<std::string_view> sample_lines(std::string_view text);

}  // namespace korvane
