#pragma once

#include <string>

namespace korvane {

// The C library's description of an error number followed by " (os error N)",
// the one form in which operating-system errors appear in every message.
std::string os_error_text(int error_number);

}  // namespace korvane
