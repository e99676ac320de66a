// Kernel nodes: the small files under /sys and /proc that every tuning
// command reads and writes, and the parsers for what they hold. Every change
// made here (write, mode change, removal) first passes the change policy
// (change_gate.h): its original is recorded, or a dry run prints it instead.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sys/result.h"

namespace korvane {

// Writes `value` byte for byte (no newline added) into the existing node at
// `path` with one open, one write and one close, then sets the node's mode to
// 0444 (the outcome of that change is ignored). A missing node is an error,
// never created. When the kernel refuses with EACCES (sysfs does so for a
// node without write bits, root included), gives the owner its write bit
// back, retries once and locks the node again, printing nothing. When that
// cannot be done, prints a warning and retries once through
// `sh -c "echo '<value>' > <path>"`, quoted so that neither text can run a
// second command. A node that takes only part of the value (or nothing)
// fails with "only <k> of <n> bytes were taken", never written again.
Result<void> write_node(const std::string& path, std::string_view value);

// Writes `text` into the existing file at `path` with one open, write and
// close: no mode change and no shell fallback. The error is the
// operating-system error text alone.
Result<void> write_file(const std::string& path, std::string_view text);

// Puts a node back as it was: `content` (if any) with one open-write-close,
// unlocking the node like write_node when the kernel refuses (no shell), then
// `mode` when the node's mode differs from it. The error is the
// operating-system error text alone.
Result<void> put_node_back(const std::string& path, std::optional<std::string_view> content, mode_t mode);

// The whole content of the file, untouched. Content that is not UTF-8 is an
// error ("stream did not contain valid UTF-8"); other errors are the
// operating-system error text.
Result<std::string> read_node(const std::string& path);

// True when the file system reports metadata for `path` (links followed).
bool path_exists(const std::string& path);

// True when `path` exists and is a directory (links followed).
bool is_directory(const std::string& path);

// Sets the permission bits of `path`, retrying when interrupted. The error is
// the operating-system error text alone.
Result<void> change_mode(const std::string& path, mode_t mode);

// Removes the single directory entry at `path` (never a tree). The error is
// the operating-system error text alone.
Result<void> remove_file(const std::string& path);

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

// The shell text of the write fallback, exposed for tests.
std::string shell_write_command(std::string_view value, std::string_view path);

}  // namespace korvane
