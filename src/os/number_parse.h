// Strict parsing of decimal integers typed by users or printed by tools.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace korvane {

// Unsigned 8-bit decimal: one optional "+", then digits only, 0 to 255.
std::optional<uint8_t> parse_percent(std::string_view text);

// Unsigned 64-bit decimal: one optional "+", then digits only.
std::optional<uint64_t> parse_u64(std::string_view text);

// Signed 32-bit decimal: one optional "+" or "-", then digits only.
std::optional<int32_t> parse_i32(std::string_view text);

}  // namespace korvane
