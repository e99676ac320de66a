// Console output. Every line is handed to the kernel whole, in one write, as
// soon as it is printed: a caller reading a pipe sees progress live, and a
// crash loses nothing already printed. Writes to a closed reader are dropped.
#pragma once

#include <string_view>

#include "os/text.h"

namespace korvane {

// Writes `line` and a newline to standard output.
void print_line(std::string_view line);
// Writes `line` and a newline to standard error.
void print_error_line(std::string_view line);

// Joins the pieces (texts and decimal numbers) into one line on standard output.
template <typename... Parts>
void out(const Parts&... parts) {
    print_line(str_cat(parts...));
}

}  // namespace korvane
