// The watch service's lines, each printed and appended to korvane's folder's
// "watch.log" (root only, at most 64 KiB: when a line would pass that, the
// older half is dropped), so that the page and the user can read what
// happened while nobody watched the output.
#pragma once

#include <string>
#include <string_view>

#include "os/text.h"

namespace korvane {

inline constexpr size_t kWatchLogLimit = 64 * 1024;

// Prints `line` and appends it to the log; a log that cannot be written
// costs only the log.
void watch_line(std::string_view line);

template <typename... Parts>
void watch_out(const Parts&... parts) {
    watch_line(str_cat(parts...));
}

// What is kept of a log of `text` before a line of `adding` bytes is
// appended: all of it while both fit in `limit`, else its newer half from a
// line start on.
std::string_view log_kept(std::string_view text, size_t adding, size_t limit);

}  // namespace korvane
