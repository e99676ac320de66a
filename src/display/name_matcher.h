// Which of many names occur in a long text, in one pass over the text.
#pragma once

#include <string_view>
#include <vector>

namespace korvane {

// For each of `names`, whether it occurs in `text` as a byte-for-byte
// substring (an empty name always occurs). Time is linear in the size of the
// text plus the total size of the names: one automaton over all the names
// (Aho-Corasick) reads the text once, instead of one search per name.
std::vector<bool> find_names_in(const std::vector<std::string_view>& names, std::string_view text);

}  // namespace korvane
