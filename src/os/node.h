// Kernel nodes: the small files under /sys and /proc that every tuning
// command reads, and the parsers for what they hold. Changing them passes the
// journal's gate (journal/node_change.h).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "os/result.h"

namespace korvane {

// The whole content of the file, untouched. Content that is not UTF-8 is an
// error ("stream did not contain valid UTF-8"); other errors are the
// operating-system error text.
Result<std::string> read_node(const std::string& path);

// True when the file system reports metadata for `path` (links followed).
bool path_exists(const std::string& path);

// True when `path` exists and is a directory (links followed).
bool is_directory(const std::string& path);

// The entry names of a directory in the order the system lists them, without
// "." and "..". A read error ends the listing early.
Result<std::vector<std::string>> list_directory(const std::string& path);

// The unsigned decimal numbers in `text`, in order: tokens split at blanks and
// commas, trimmed, one optional "+"; other tokens are skipped.
std::vector<uint64_t> parse_freq_list(std::string_view text);

// Index into a sorted list of `count` entries for a percentage: 0 picks the
// first, 100 and above the last, otherwise count * percent / 100.
size_t index_at_percent(size_t count, uint8_t percent);

// One frequency of the node's list chosen by percentage, or nothing when the
// node is unreadable or holds no number.
std::optional<std::string> freq_at_percent(const std::string& path, uint8_t percent);

// The first "0x" with the two hexadecimal digits after it, as they stand, or
// an empty text when the first "0x" is not followed by two such digits.
std::string find_hex_code(std::string_view text);

}  // namespace korvane
