// Small text helpers shared by every subsystem: building lines from pieces,
// trimming and splitting. Pure functions; nothing here touches the system.
#pragma once

#include <concepts>
#include <string>
#include <string_view>
#include <vector>

namespace korvane {

namespace detail {
inline void append(std::string& out, std::string_view piece) { out.append(piece); }
inline void append(std::string& out, const char* piece) { out.append(piece); }
inline void append(std::string& out, const std::string& piece) { out.append(piece); }
// Every integer, including uint8_t, is written as decimal text, never as a character.
template <std::integral T>
    requires(!std::same_as<T, char> && !std::same_as<T, bool>)
void append(std::string& out, T number) {
    if constexpr (std::signed_integral<T>) {
        out.append(std::to_string(static_cast<long long>(number)));
    } else {
        out.append(std::to_string(static_cast<unsigned long long>(number)));
    }
}
}  // namespace detail

// Joins texts and decimal numbers into one string.
template <typename... Parts>
std::string str_cat(const Parts&... parts) {
    std::string out;
    (detail::append(out, parts), ...);
    return out;
}

// True for the blanks, tabs, newlines and other ASCII white space that the
// kernel and the device tools put around values.
constexpr bool is_space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view trim(std::string_view text);

// Splits at runs of white space, dropping empty words.
std::vector<std::string_view> split_whitespace(std::string_view text);

// Splits into lines at line feeds; a carriage return right before a line feed
// (or at the very end) is dropped, a last line without a line feed counts, and
// the empty remainder after a final line feed does not.
std::vector<std::string_view> split_lines(std::string_view text);

// The text as one line of output: line feeds and carriage returns inside it
// shown as "\n" and "\r", which would otherwise split the line.
std::string one_line(std::string_view text);

// ASCII case mapping. For the fixed ASCII words this program compares against
// (on, off, test, y, n and the like) it decides exactly as full Unicode case
// mapping would: no non-ASCII character maps onto one of those words.
std::string to_lower_ascii(std::string_view text);
std::string to_upper_ascii(std::string_view text);

}  // namespace korvane
