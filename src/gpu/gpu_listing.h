// The text of the GPU frequency listing.
#pragma once

#include <string>
#include <string_view>

namespace korvane {

// The runs of ASCII digits of `text`, in order, joined by single blanks where
// blanks or line feeds stood between them. Every other character vanishes
// without leaving a gap, so "100,200" gives "100200".
std::string clean_frequency_listing(std::string_view text);

}  // namespace korvane
