#include "os/number_parse.h"

namespace korvane {
namespace {

// Digits only, at least one, stopping at `limit`; leading zeros are fine.
std::optional<uint64_t> parse_digits(std::string_view text, uint64_t limit) {
    if (text.empty()) return std::nullopt;
    uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        const uint64_t digit = static_cast<uint64_t>(c - '0');
        if (value > (limit - digit) / 10) return std::nullopt;  // before it could wrap
        value = value * 10 + digit;
    }
    return value;
}

}  // namespace

std::optional<uint8_t> parse_percent(std::string_view text) {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    auto value = parse_digits(text, UINT8_MAX);
    if (!value) return std::nullopt;
    return static_cast<uint8_t>(*value);
}

std::optional<uint64_t> parse_u64(std::string_view text) {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    return parse_digits(text, UINT64_MAX);
}

std::optional<int32_t> parse_i32(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    const uint64_t limit = negative ? uint64_t{INT32_MAX} + 1 : uint64_t{INT32_MAX};
    auto magnitude = parse_digits(text, limit);
    if (!magnitude) return std::nullopt;
    int64_t value = negative ? -static_cast<int64_t>(*magnitude) : static_cast<int64_t>(*magnitude);
    return static_cast<int32_t>(value);
}

}  // namespace korvane
