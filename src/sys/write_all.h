#pragma once

#include <string_view>

namespace korvane {

// Writes every byte of `data` to `fd`, continuing after short writes and
// interruptions. Returns 0, or the errno of the write that failed.
int write_all(int fd, std::string_view data);

}  // namespace korvane
