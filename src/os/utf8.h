#pragma once

#include <string>
#include <string_view>

namespace korvane {

// True when `bytes` is well-formed UTF-8 (no overlong forms, no surrogates,
// nothing above U+10FFFF).
bool is_valid_utf8(std::string_view bytes);

// Returns `bytes` with every invalid sequence replaced by U+FFFD, one
// replacement per maximal invalid subpart (the rule WHATWG and Rust use).
std::string utf8_lossy(std::string_view bytes);

}  // namespace korvane
