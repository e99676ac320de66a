#include "display/decimal.h"

#include <cstdlib>
#include <string>

namespace korvane {
namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

size_t skip_digits(std::string_view text, size_t i) {
    while (i < text.size() && is_digit(text[i])) ++i;
    return i;
}

size_t skip_sign(std::string_view text, size_t i) {
    return i < text.size() && (text[i] == '+' || text[i] == '-') ? i + 1 : i;
}

// The grammar is checked first because strtod also takes blanks, "inf",
// "nan" and hexadecimal forms, none of which is a decimal number here.
bool is_decimal_syntax(std::string_view text) {
    size_t i = skip_sign(text, 0);
    size_t integer_end = skip_digits(text, i);
    size_t digits = integer_end - i;
    i = integer_end;
    if (i < text.size() && text[i] == '.') {
        size_t fraction_end = skip_digits(text, i + 1);
        digits += fraction_end - (i + 1);
        i = fraction_end;
    }
    if (digits == 0) return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        size_t exponent_start = skip_sign(text, i + 1);
        i = skip_digits(text, exponent_start);
        if (i == exponent_start) return false;
    }
    return i == text.size();
}

}  // namespace

std::optional<double> parse_decimal(std::string_view text) {
    if (!is_decimal_syntax(text)) return std::nullopt;
    const std::string copy(text);  // strtod needs the terminating NUL
    char* end = nullptr;
    const double value = std::strtod(copy.c_str(), &end);
    if (end != copy.c_str() + copy.size()) return std::nullopt;
    return value;
}

}  // namespace korvane
