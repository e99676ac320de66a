// Strict parsing of decimal floating-point texts from the command line and
// from device tools.
#pragma once

#include <optional>
#include <string_view>

namespace korvane {

// The value of `text` when it is, in full, an optional sign, digits with an
// optional fraction (at least one digit on either side of the point), and an
// optional exponent ("e" or "E", optional sign, digits). No blanks, no
// infinity, nan or hexadecimal forms. Out-of-range magnitudes give ±inf or 0.
std::optional<double> parse_decimal(std::string_view text);

}  // namespace korvane
