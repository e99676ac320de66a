#pragma once

namespace korvane {

// Prints the help text to standard output.
void print_help();

}  // namespace korvane
