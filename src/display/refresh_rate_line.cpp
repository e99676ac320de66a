#include "display/refresh_rate_line.h"

#include <algorithm>
#include <vector>

#include "os/text.h"

namespace korvane {
namespace {

constexpr std::string_view kLabel = "refresh-rate";

bool is_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// "60.00fps" -> "60.00"; a word that is not digits followed by letters stays whole.
std::string_view without_unit(std::string_view word) {
    const size_t number_end = word.find_first_not_of("0123456789.");
    if (number_end == 0 || number_end == std::string_view::npos) return word;
    if (word.find_first_of("0123456789") >= number_end) return word;
    const std::string_view unit = word.substr(number_end);
    return std::all_of(unit.begin(), unit.end(), is_letter) ? word.substr(0, number_end) : word;
}

}  // namespace

std::optional<std::string_view> refresh_rate_in_dump(std::string_view dump) {
    std::optional<std::string_view> fallback;
    for (std::string_view line : split_lines(dump)) {
        if (line.find(kLabel) == std::string_view::npos) continue;
        const std::vector<std::string_view> words = split_whitespace(line);
        if (words.size() < 3) continue;
        if (words[0] == kLabel) return without_unit(words[2]);
        if (!fallback) fallback = without_unit(words[2]);
    }
    return fallback;
}

}  // namespace korvane
